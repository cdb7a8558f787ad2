# The Windows package, made with every build of the Windows programs by
# packaging/windows/make-windows-package: a zip of the programs and the
# README, and an NSIS installer of the same files (Debian's zip and nsis).
#   rx_windows_package(<program target>...)
# names the programs the package holds; the installer takes whichever are
# named. Where zip or makensis is missing, the build says so and makes no
# package (the installer's test then says it was skipped).
find_program(RX_MAKENSIS makensis)
find_program(RX_ZIP zip)

function(rx_windows_package)
  set(out ${CMAKE_BINARY_DIR}/windows-package)
  set(base ${out}/rx77nova-update-${PROJECT_VERSION}-win64)
  set_property(GLOBAL PROPERTY RX_WINDOWS_INSTALLER ${base}-setup.exe)
  if(NOT RX_MAKENSIS OR NOT RX_ZIP)
    message(STATUS "No Windows package: it needs zip and makensis (Debian's zip and nsis)")
    return()
  endif()
  set(programs "")
  foreach(target IN LISTS ARGN)
    list(APPEND programs $<TARGET_FILE:${target}>)
    # No link time in the PE header: the same sources give the same bytes.
    target_link_options(${target} PRIVATE LINKER:--no-insert-timestamp)
  endforeach()
  set(script ${PROJECT_SOURCE_DIR}/packaging/windows/make-windows-package)
  add_custom_command(OUTPUT ${base}.zip ${base}-setup.exe
    COMMAND ${script} ${out} ${PROJECT_VERSION} ${PROJECT_SOURCE_DIR} ${CMAKE_STRIP} ${RX_MAKENSIS} ${programs}
    DEPENDS ${ARGN} ${script} ${PROJECT_SOURCE_DIR}/packaging/windows/rx77nova-update.nsi
            ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/resources/windows/icon.ico
    COMMENT "Windows package: zip and installer"
    VERBATIM)
  add_custom_target(rx_windows_package ALL DEPENDS ${base}.zip ${base}-setup.exe)
endfunction()
