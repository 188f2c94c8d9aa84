# The Windows package. `cmake --install` lays out the program folder as
# Vantrel runs from it; `cpack` makes a ZIP of that folder and, with
# Debian's makensis, an installer (packaging/installer.cmake).
# Our ftp.exe is not part of it: Windows brings its own, and Vantrel runs
# the one in the system folder.

install(TARGETS Vantrel filelist FTPClient RUNTIME DESTINATION .)
# Signed where they are laid out, so that the ZIP and the installer carry the
# same signed programs, when VANTREL_SIGN_CERT names a certificate
# (packaging/sign.sh; without one they stay unsigned and it says so).
set(VANTREL_SIGN_SCRIPT ${CMAKE_SOURCE_DIR}/packaging/sign.sh)
install(CODE "
  set(folder \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\")
  execute_process(COMMAND bash \"${VANTREL_SIGN_SCRIPT}\" \"\${folder}/Vantrel.exe\" \"\${folder}/filelist.exe\"
                          \"\${folder}/FTPClient.exe\" RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR \"signing the programs failed\")
  endif()")
# Commented samples, Shift-JIS with CR LF like every file the program reads.
install(FILES
  ${CMAKE_SOURCE_DIR}/packaging/Vantrel.ini
  ${CMAKE_SOURCE_DIR}/packaging/machines.ini
  DESTINATION .)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/help/ DESTINATION help)
# Control files and the file list go to tmp\, daily logs to Log\.
install(DIRECTORY DESTINATION tmp)
install(DIRECTORY DESTINATION Log)


set(CPACK_PACKAGE_NAME Vantrel)
set(CPACK_PACKAGE_VENDOR "Tarnvale Service")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "NC program transfer to machining centres by FTP")
# The program's own version (cmake/version.cmake), as its version box shows it.
set(CPACK_PACKAGE_VERSION "${VANTREL_PACKAGE_VERSION}")
set(CPACK_PACKAGE_FILE_NAME "Vantrel-${CPACK_PACKAGE_VERSION}-win64")
set(CPACK_GENERATOR ZIP External)
set(CPACK_EXTERNAL_ENABLE_STAGING ON)
set(CPACK_EXTERNAL_PACKAGE_SCRIPT ${CMAKE_SOURCE_DIR}/packaging/installer.cmake)
set(CPACK_VANTREL_NSIS_SCRIPT ${CMAKE_SOURCE_DIR}/packaging/vantrel.nsi)
set(CPACK_VANTREL_SIGN_SCRIPT ${VANTREL_SIGN_SCRIPT})
include(CPack)
