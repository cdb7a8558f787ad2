# The Windows resources of a program: the icon (resources/windows/icon.ico,
# drawn by resources/make_artwork.sh), the application manifest (common
# controls 6, per-monitor DPI awareness, asInvoker, Windows 7 to 11) and a
# version resource from the project's version, compiled by the toolchain's
# windres (CMAKE_RC_COMPILER).
#   rx_windows_resources(<target> <file-description>)
# The description is what Explorer shows as the file's description.
enable_language(RC)

set(RX_WINDOWS_RESOURCES_DIR ${PROJECT_SOURCE_DIR}/resources/windows)

function(rx_windows_resources target description)
  set(RX_RC_TARGET ${target})
  set(RX_RC_DESCRIPTION "${description}")
  set(RX_RC_ICON ${RX_WINDOWS_RESOURCES_DIR}/icon.ico)
  set(RX_RC_MANIFEST ${RX_WINDOWS_RESOURCES_DIR}/rx77nova-update.manifest)
  set(RX_RC_COMPANY "rx77nova-update developers")
  set(RX_RC_COPYRIGHT "Copyright 2026 rx77nova-update developers")
  get_target_property(RX_RC_INTERNAL_NAME ${target} OUTPUT_NAME)
  if(NOT RX_RC_INTERNAL_NAME)
    set(RX_RC_INTERNAL_NAME ${target})
  endif()
  # configure_file fills in the variables; file(GENERATE) then the target's
  # file name, which only the generator knows (a .com or an .exe).
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/${target}_resources)
  configure_file(${RX_WINDOWS_RESOURCES_DIR}/resources.rc.in ${dir}/resources.rc.in @ONLY)
  file(GENERATE OUTPUT ${dir}/resources.rc INPUT ${dir}/resources.rc.in)
  target_sources(${target} PRIVATE ${dir}/resources.rc)
  # windres leaves no dependency file: the icon and the manifest are named here.
  set_source_files_properties(${dir}/resources.rc TARGET_DIRECTORY ${target} PROPERTIES
    GENERATED ON OBJECT_DEPENDS "${RX_RC_ICON};${RX_RC_MANIFEST}")
endfunction()
