# Installation rules and the Debian package's control fields:
#   cmake --install BUILD --prefix /usr       the files alone
#   scripts/package                           rx77nova-update_<version>_<arch>.deb
include(GNUInstallDirs)

set(RX_PACKAGE_NAME rx77nova-update)
set(RX_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(RX_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/${RX_PACKAGE_NAME})

install(TARGETS rx77nova-update rx77nova-radio RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The desktop entry and the AppStream metainfo share the program's
# reverse-DNS id, as software centres expect.
set(RX_APP_ID org.example.rx77nova_update)
install(FILES ${RX_PACKAGING_DIR}/${RX_APP_ID}.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

# The metainfo with its releases read from the changelog.
set(RX_METAINFO ${CMAKE_CURRENT_BINARY_DIR}/${RX_APP_ID}.metainfo.xml)
add_custom_command(OUTPUT ${RX_METAINFO}
  COMMAND ${CMAKE_COMMAND} -DTEMPLATE=${RX_PACKAGING_DIR}/${RX_APP_ID}.metainfo.xml.in
          -DCHANGELOG=${RX_PACKAGING_DIR}/changelog -DOUTPUT=${RX_METAINFO}
          -P ${RX_PACKAGING_DIR}/Metainfo.cmake
  DEPENDS ${RX_PACKAGING_DIR}/${RX_APP_ID}.metainfo.xml.in ${RX_PACKAGING_DIR}/changelog
          ${RX_PACKAGING_DIR}/Metainfo.cmake
  VERBATIM)
add_custom_target(rx_metainfo ALL DEPENDS ${RX_METAINFO})
install(FILES ${RX_METAINFO} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The menu shows the window's own icon.
install(FILES ${PROJECT_SOURCE_DIR}/resources/icon.png
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/64x64/apps RENAME ${RX_PACKAGE_NAME}.png)

# Documentation as Debian keeps it: the README, the copyright file as is,
# the changelog compressed to the maximum without a time stamp.
set(RX_CHANGELOG_GZ ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz)
add_custom_command(OUTPUT ${RX_CHANGELOG_GZ}
  COMMAND gzip -9nc ${RX_PACKAGING_DIR}/changelog > ${RX_CHANGELOG_GZ}
  DEPENDS ${RX_PACKAGING_DIR}/changelog
  VERBATIM)
add_custom_target(rx_changelog ALL DEPENDS ${RX_CHANGELOG_GZ})
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${RX_PACKAGING_DIR}/copyright ${RX_CHANGELOG_GZ}
  DESTINATION ${RX_DOC_DIR})

# A manual page for each program, compressed the same way.
foreach(page rx77nova-update rx77nova-radio)
  set(gz ${CMAKE_CURRENT_BINARY_DIR}/${page}.1.gz)
  add_custom_command(OUTPUT ${gz}
    COMMAND gzip -9nc ${RX_PACKAGING_DIR}/${page}.1 > ${gz}
    DEPENDS ${RX_PACKAGING_DIR}/${page}.1
    VERBATIM)
  list(APPEND RX_MAN_PAGES ${gz})
endforeach()
add_custom_target(rx_man_pages ALL DEPENDS ${RX_MAN_PAGES})
install(FILES ${RX_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The package's control fields. scripts/package fills in what it works out
# from the installed files: the architecture, the installed size and the
# libraries the programs link (dpkg-shlibdeps).
configure_file(${RX_PACKAGING_DIR}/control.in ${CMAKE_CURRENT_BINARY_DIR}/deb-control @ONLY)

if(RX_BUILD_TESTS)
  add_subdirectory(tests/packaging)
endif()
