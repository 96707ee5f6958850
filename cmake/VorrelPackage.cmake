# The Debian package, made from the build directory with `cpack -G DEB`.
set(CPACK_PACKAGE_NAME vorrel-background)
set(CPACK_PACKAGE_VENDOR Quenmoor)
set(CPACK_PACKAGE_CONTACT "Quenmoor <support@quenmoor.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Vorrel sensor service, its client and the update notifier")
set(CPACK_PACKAGE_DESCRIPTION
    "The background programs of the Vorrel system-monitoring product: vrlsensord\n\
reads a Mac's temperatures and fan speeds through the applesmc driver and\n\
serves them to the Vorrel application; vrlsensors shows them on the command\n\
line. Includes the update notifier's user unit and autostart entry for host\n\
applications that ship it, and the client library.")
set(CPACK_GENERATOR DEB)
set(CPACK_STRIP_FILES ON)
# The units name their programs under the configured prefix.
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://quenmoor.com/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
# adduser makes the service's user where systemd-sysusers is missing; udev applies the rule.
set(CPACK_DEBIAN_PACKAGE_DEPENDS adduser)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "systemd, udev")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${PROJECT_SOURCE_DIR}/packaging/debian/postinst
    ${PROJECT_SOURCE_DIR}/packaging/debian/prerm
    ${PROJECT_SOURCE_DIR}/packaging/debian/postrm)

# Debian wants the copyright file as is and the changelog compressed.
set(doc_dir ${CMAKE_INSTALL_DATADIR}/doc/${CPACK_PACKAGE_NAME})
set(changelog_gz ${PROJECT_BINARY_DIR}/packaging/changelog.gz)
add_custom_command(OUTPUT ${changelog_gz}
  COMMAND gzip -9 -n -c ${PROJECT_SOURCE_DIR}/packaging/debian/changelog > ${changelog_gz}
  DEPENDS ${PROJECT_SOURCE_DIR}/packaging/debian/changelog VERBATIM)
add_custom_target(vrl_changelog ALL DEPENDS ${changelog_gz})
install(FILES ${PROJECT_SOURCE_DIR}/packaging/debian/copyright ${changelog_gz} DESTINATION ${doc_dir})

include(CPack)
