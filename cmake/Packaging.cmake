# Installation rules and the Debian package:
#   cmake --install BUILD --prefix /usr       the files alone
#   cpack -G DEB --config BUILD/CPackConfig.cmake   rx77nova-update_<version>_<arch>.deb
include(GNUInstallDirs)

set(RX_PACKAGE_NAME rx77nova-update)
set(RX_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(RX_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/${RX_PACKAGE_NAME})

install(TARGETS rx77nova-update rx77nova-radio RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

install(FILES ${RX_PACKAGING_DIR}/rx77nova-update.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

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

set(CPACK_PACKAGE_NAME ${RX_PACKAGE_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "rx77nova-update developers")
set(CPACK_PACKAGE_CONTACT "rx77nova-update developers <maintainers@rx77nova-update.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "firmware updater for the RX-77NOVA handheld radio")
set(CPACK_PACKAGE_DESCRIPTION
  "Rewrites the firmware of the RX-77NOVA handheld transceiver's main processor
and DSP over its USB-serial data cable. The firmware is built into the
program; it reads the radio's versions, says what it will do and writes
each processor that differs, with progress. rx77nova-radio emulates the
radio on a pseudo-terminal for rehearsing an update.")
set(CPACK_PACKAGE_FILE_NAME "${RX_PACKAGE_NAME}_${PROJECT_VERSION}")
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION hamradio)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the programs link (Qt 6, libstdc++, libc) as dpkg-shlibdeps
# finds them; no -dev package.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The libraries come from shlibdeps; the faces the windows ask for do not:
# Liberation Sans has the metrics of Arial, DejaVu Sans is the sans-serif
# face every desktop has, for the 8-point dialog font where Liberation is
# missing.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation2, fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)

include(CPack)
