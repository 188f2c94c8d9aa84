# The version record, written here and nowhere else: the release date and
# major.minor. The build number is month * 100 + day + year (3037 for
# 2026-10-11); the program works it out again at start-up from the same
# record. app/version_number.h (configured from app/version_number.h.in)
# carries it to the program and to the resource script's version block;
# cmake/install.cmake names the packages with VANTREL_PACKAGE_VERSION.
set(VANTREL_VERSION_MAJOR 0)
set(VANTREL_VERSION_MINOR 7)
set(VANTREL_RELEASE_YEAR 2026)
set(VANTREL_RELEASE_MONTH 10)
set(VANTREL_RELEASE_DAY 11)

math(EXPR VANTREL_BUILD_NUMBER "${VANTREL_RELEASE_MONTH} * 100 + ${VANTREL_RELEASE_DAY} + ${VANTREL_RELEASE_YEAR}")
# The minor number is shown with two digits: R0.07.3037.
string(LENGTH "${VANTREL_VERSION_MINOR}" _vantrel_minor_digits)
if(_vantrel_minor_digits LESS 2)
  set(_vantrel_minor_text "0${VANTREL_VERSION_MINOR}")
else()
  set(_vantrel_minor_text "${VANTREL_VERSION_MINOR}")
endif()
set(VANTREL_PACKAGE_VERSION "${VANTREL_VERSION_MAJOR}.${_vantrel_minor_text}.${VANTREL_BUILD_NUMBER}")
set(VANTREL_VERSION_TEXT "R${VANTREL_PACKAGE_VERSION}")

configure_file(${CMAKE_CURRENT_LIST_DIR}/../app/version_number.h.in
               ${CMAKE_BINARY_DIR}/generated/app/version_number.h @ONLY)
include_directories(${CMAKE_BINARY_DIR}/generated)
