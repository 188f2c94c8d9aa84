# Run by cpack's External generator once the program folder is staged:
# builds Vantrel-<version>-win64-setup.exe from it with makensis.
find_program(MAKENSIS makensis)
if(NOT MAKENSIS)
  message(FATAL_ERROR "makensis not found (Debian package nsis)")
endif()

# The staged folder is the temporary directory itself, or its only
# component's folder.
set(stage "${CPACK_TEMPORARY_DIRECTORY}")
if(NOT EXISTS "${stage}/Vantrel.exe")
  file(GLOB stage LIST_DIRECTORIES true "${CPACK_TEMPORARY_DIRECTORY}/*/Vantrel.exe")
  get_filename_component(stage "${stage}" DIRECTORY)
endif()
if(NOT EXISTS "${stage}/Vantrel.exe")
  message(FATAL_ERROR "no staged program folder under ${CPACK_TEMPORARY_DIRECTORY}")
endif()

set(setup "${CPACK_TOPLEVEL_DIRECTORY}/${CPACK_PACKAGE_FILE_NAME}-setup.exe")
# With a certificate (VANTREL_SIGN_CERT, packaging/sign.sh) the uninstaller
# is signed as makensis makes it, and the installer afterwards.
set(sign_uninstaller)
if(NOT "$ENV{VANTREL_SIGN_CERT}" STREQUAL "")
  set(sign_uninstaller "-DSIGN=${CPACK_VANTREL_SIGN_SCRIPT}")
endif()
execute_process(
  COMMAND "${MAKENSIS}" -V2 -INPUTCHARSET UTF8 "-DSTAGE=${stage}" "-DOUTFILE=${setup}"
          "-DVERSION=${CPACK_PACKAGE_VERSION}" ${sign_uninstaller} "${CPACK_VANTREL_NSIS_SCRIPT}"
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "makensis failed (${status})")
endif()
execute_process(COMMAND bash "${CPACK_VANTREL_SIGN_SCRIPT}" "${setup}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "signing the installer failed")
endif()
set(CPACK_EXTERNAL_BUILT_PACKAGES "${setup}")
