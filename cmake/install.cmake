# The Windows package. `cmake --install` lays out the program folder as
# Vantrel runs from it; `cpack` makes a ZIP of that folder and, with
# Debian's makensis, an installer (packaging/installer.cmake).
# Our ftp.exe is not part of it: Windows brings its own, and Vantrel runs
# whichever "ftp.exe" the shell finds first.

install(TARGETS Vantrel filelist FTPClient RUNTIME DESTINATION .)
# Commented samples, Shift-JIS with CR LF like every file the program reads.
install(FILES
  ${CMAKE_SOURCE_DIR}/packaging/Vantrel.ini
  ${CMAKE_SOURCE_DIR}/packaging/machines.ini
  DESTINATION .)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/help/ DESTINATION help)
# Control files and the file list go to tmp\, daily logs to Log\.
install(DIRECTORY DESTINATION tmp)
install(DIRECTORY DESTINATION Log)

# The package version is the program's own: major.minor.build from the
# version record (build = month * 100 + day + year).
file(STRINGS ${CMAKE_SOURCE_DIR}/app/version.cpp _vantrel_version_line REGEX "^VersionRecord g_version")
string(REGEX MATCH "{ *([0-9]+), *([0-9]+), *([0-9]+), *([0-9]+), *([0-9]+)" _ "${_vantrel_version_line}")
if("${CMAKE_MATCH_5}" STREQUAL "")
  message(FATAL_ERROR "no version record found in app/version.cpp")
endif()
set(_vantrel_major ${CMAKE_MATCH_4})
set(_vantrel_minor ${CMAKE_MATCH_5})
math(EXPR _vantrel_build "${CMAKE_MATCH_2} * 100 + ${CMAKE_MATCH_3} + ${CMAKE_MATCH_1}")
if(_vantrel_minor LESS 10)
  set(_vantrel_minor "0${_vantrel_minor}")
endif()

set(CPACK_PACKAGE_NAME Vantrel)
set(CPACK_PACKAGE_VENDOR "Tarnvale Service")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "NC program transfer to machining centres by FTP")
set(CPACK_PACKAGE_VERSION "${_vantrel_major}.${_vantrel_minor}.${_vantrel_build}")
set(CPACK_PACKAGE_FILE_NAME "Vantrel-${CPACK_PACKAGE_VERSION}-win64")
set(CPACK_GENERATOR ZIP External)
set(CPACK_EXTERNAL_ENABLE_STAGING ON)
set(CPACK_EXTERNAL_PACKAGE_SCRIPT ${CMAKE_SOURCE_DIR}/packaging/installer.cmake)
set(CPACK_VANTREL_NSIS_SCRIPT ${CMAKE_SOURCE_DIR}/packaging/vantrel.nsi)
include(CPack)
