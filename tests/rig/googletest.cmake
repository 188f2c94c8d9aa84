# GoogleTest from Debian's source package, built with the cross compiler
# (GoogleMock is not used). The program's sources are compiled into
# Shift-JIS; the C++ library headers that GoogleTest includes hold
# characters (µ) that have no Shift-JIS form, so GoogleTest itself keeps the
# default execution charset.
get_directory_property(_vantrel_options COMPILE_OPTIONS)
set(_gtest_options ${_vantrel_options})
list(REMOVE_ITEM _gtest_options -fexec-charset=CP932)
set_directory_properties(PROPERTIES COMPILE_OPTIONS "${_gtest_options}")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
set_directory_properties(PROPERTIES COMPILE_OPTIONS "${_vantrel_options}")
# Debian's MinGW compiler uses the win32 thread model, which has no
# std::mutex: GoogleTest's one use of it is replaced (tests/rig/gtest_notification.h)
# in GoogleTest itself and in every source that includes its header.
set(GTEST_NOTIFICATION "SHELL:-include ${CMAKE_CURRENT_LIST_DIR}/gtest_notification.h")
target_compile_options(gtest PRIVATE ${GTEST_NOTIFICATION})
