# The Windows build, cross-compiled with mingw-w64 (cmake/mingw-w64.cmake):
# the core libraries on the Windows platform layer, the terminal form
# (rx77nova-update.exe), and the tests of both, which run under Wine against
# the emulated radio of a native build.
set(RX_HOST_TOOLS "" CACHE PATH
    "A native build tree of these sources (build/plain): its firmware tools run during this build, its emulated radio serves the tests")
get_filename_component(RX_HOST_TOOLS "${RX_HOST_TOOLS}" ABSOLUTE)
if(NOT IS_DIRECTORY "${RX_HOST_TOOLS}/firmware")
  message(FATAL_ERROR "RX_HOST_TOOLS: '${RX_HOST_TOOLS}' is no native build tree; build build/plain first and name it here.")
endif()

# The terminal form (rx77nova-update.com) and the native Win32 window
# (rx77nova-update.exe, win/) over the same core.
foreach(dir text firmware update comm term win)
  add_subdirectory(${dir})
endforeach()

include(cmake/NoQt.cmake)
rx_assert_no_qt(rx_text rx_comm rx_firmrules rx_firmdata rx_update rx_seqdriver rx_scenerules rx_term)

if(RX_BUILD_TESTS)
  enable_testing()
  # Debian's googletest package ships the sources, built here with the cross
  # compiler; our warning flags are not theirs.
  set(RX_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest's sources")
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  get_directory_property(rx_options COMPILE_OPTIONS)
  set_directory_properties(PROPERTIES COMPILE_OPTIONS "")
  add_subdirectory(${RX_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  set_directory_properties(PROPERTIES COMPILE_OPTIONS "${rx_options}")
  add_subdirectory(tests/win)
endif()
