# The Windows build, cross-compiled with mingw-w64 (cmake/mingw-w64.cmake):
# the core libraries on the Windows platform layer, the terminal form
# (rx77nova-update.com), and the tests of both, which run under Wine against
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

# What Windows users get: each program with its icon, manifest and version
# (cmake/WindowsResources.cmake), in a zip and an installer
# (cmake/WindowsPackage.cmake). The terminal form is rx77nova-update.com:
# cmd and PowerShell take .com before .exe, so that "rx77nova-update" typed
# at a prompt runs it, while the window is rx77nova-update.exe.
include(cmake/WindowsResources.cmake)
include(cmake/WindowsPackage.cmake)
set_target_properties(rx77nova-update PROPERTIES SUFFIX .com)
rx_windows_resources(rx77nova-update "RX-77NOVA firmware updater (terminal form)")
rx_windows_resources(rx77nova-window "RX-77NOVA firmware updater")
rx_windows_package(rx77nova-window rx77nova-update)

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
