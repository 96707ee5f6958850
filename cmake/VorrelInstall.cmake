# Where the programs, units and documents go on an installed system.
#
# vrlsensord is a system daemon: sbin, manual section 8. The client bundle is
# private to the product and lives under the library directory, with the
# command on PATH as a link into it (the gate resolves the link to the
# bundle). Unit paths are written in at configure time, for the prefix given.

set(VRL_INSTALL_APPDIR "lib/vorrel" CACHE STRING "Where Vorrel.app is installed, relative to the prefix")
set(VRL_NOTIFIER_HOST_APP "${CMAKE_INSTALL_PREFIX}/lib/vorrel/Vorrel Plugins Manager.app" CACHE PATH
    "The host bundle the installed notifier unit and autostart entry start the notifier from")

# A directory a pkg-config module names, relative to our prefix; `fallback`
# where the module is missing or names a place outside the prefix.
function(vrl_pkg_config_dir result module variable fallback)
  execute_process(
    COMMAND ${PKG_CONFIG_EXECUTABLE} --define-variable=prefix=${CMAKE_INSTALL_PREFIX}
            --define-variable=root_prefix=${CMAKE_INSTALL_PREFIX} --variable=${variable} ${module}
    OUTPUT_VARIABLE dir OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE failed ERROR_QUIET)
  set(${result} ${fallback} PARENT_SCOPE)
  if(NOT failed AND dir MATCHES "^${CMAKE_INSTALL_PREFIX}/(.+)$")
    set(${result} ${CMAKE_MATCH_1} PARENT_SCOPE)
  endif()
endfunction()

# Each may be given (a path relative to the prefix, or absolute): bookworm's
# debhelper acts on system units and udev rules under /lib only.
vrl_pkg_config_dir(system_unit_dir systemd systemdsystemunitdir lib/systemd/system)
vrl_pkg_config_dir(user_unit_dir systemd systemduserunitdir lib/systemd/user)
vrl_pkg_config_dir(sysusers_dir systemd sysusersdir lib/sysusers.d)
vrl_pkg_config_dir(udev_dir udev udevdir lib/udev)
set(VRL_SYSTEM_UNIT_DIR ${system_unit_dir} CACHE STRING "Where system units are installed")
set(VRL_USER_UNIT_DIR ${user_unit_dir} CACHE STRING "Where user units are installed")
set(VRL_SYSUSERS_DIR ${sysusers_dir} CACHE STRING "Where sysusers.d entries are installed")
set(VRL_UDEV_DIR ${udev_dir} CACHE STRING "Where udev's rules.d is installed")

set(VRL_APP_BUNDLE_DIR ${VRL_INSTALL_APPDIR}/Vorrel.app)
set(VRLSENSORD_PATH ${CMAKE_INSTALL_FULL_SBINDIR}/vrlsensord)
set(packaging_out ${PROJECT_BINARY_DIR}/packaging/installed)

# The sensor service and its units.
install(TARGETS vrlsensord RUNTIME DESTINATION ${CMAKE_INSTALL_SBINDIR})
configure_file(${PROJECT_SOURCE_DIR}/packaging/systemd/vrlsensord.service.in ${packaging_out}/vrlsensord.service @ONLY)
install(FILES ${packaging_out}/vrlsensord.service ${PROJECT_SOURCE_DIR}/packaging/systemd/vrlsensord.socket
        DESTINATION ${VRL_SYSTEM_UNIT_DIR})
install(FILES ${PROJECT_SOURCE_DIR}/packaging/systemd/vrlsensord.sysusers
        DESTINATION ${VRL_SYSUSERS_DIR} RENAME vrlsensord.conf)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/systemd/60-vrlsensord.rules DESTINATION ${VRL_UDEV_DIR}/rules.d)

# The client bundle and the command that leads into it.
install(TARGETS vrlsensors RUNTIME DESTINATION ${VRL_APP_BUNDLE_DIR}/Contents/MacOS)
install(FILES ${PROJECT_BINARY_DIR}/Vorrel.app/Contents/Info.plist DESTINATION ${VRL_APP_BUNDLE_DIR}/Contents)
file(RELATIVE_PATH client_link_target /prefix/${CMAKE_INSTALL_BINDIR}
     /prefix/${VRL_APP_BUNDLE_DIR}/Contents/MacOS/vrlsensors)
install(CODE "
  set(link \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/vrlsensors\")
  file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
  file(REMOVE \"\${link}\")
  file(CREATE_LINK \"${client_link_target}\" \"\${link}\" SYMBOLIC)
  message(STATUS \"Installing: \${link} -> ${client_link_target}\")")

# The Prometheus export: a unit, inert until an administrator enables it, that
# keeps node_exporter's textfile collector supplied with the readings.
set(VRLSENSORS_PATH ${CMAKE_INSTALL_PREFIX}/${VRL_APP_BUNDLE_DIR}/Contents/MacOS/vrlsensors)
configure_file(${PROJECT_SOURCE_DIR}/packaging/prometheus/vrlsensors-prometheus.service.in
               ${packaging_out}/vrlsensors-prometheus.service @ONLY)
install(FILES ${packaging_out}/vrlsensors-prometheus.service DESTINATION ${VRL_SYSTEM_UNIT_DIR})
# Its alerting rules, for an administrator to list in Prometheus' rule_files.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/prometheus/vorrel-alerts.yml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/vorrel/prometheus)

# The notifier ships inside a host application's bundle, which is not ours to
# install; its user unit (inert until enabled) and its autostart entry (a
# template to copy to /etc/xdg/autostart) point into VRL_NOTIFIER_HOST_APP.
# They go with the notifier's component, which the host's packaging installs
# (`cmake --install BUILD --component notifier`), never with a full install.
set(VRL_NOTIFIER_EXECUTABLE
    "${VRL_NOTIFIER_HOST_APP}/Contents/Library/LoginItems/vrlupdatenotifier.app/Contents/MacOS/vrlupdatenotifier")
configure_file(${PROJECT_SOURCE_DIR}/packaging/notifier/vrlupdatenotifier.service.in
               ${packaging_out}/vrlupdatenotifier.service @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/packaging/notifier/vrlupdatenotifier.desktop.in
               ${packaging_out}/vrlupdatenotifier.desktop @ONLY)
install(FILES ${packaging_out}/vrlupdatenotifier.service DESTINATION ${VRL_USER_UNIT_DIR}
        COMPONENT notifier EXCLUDE_FROM_ALL)
install(FILES ${packaging_out}/vrlupdatenotifier.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/vorrel/autostart
        COMPONENT notifier EXCLUDE_FROM_ALL)

# Manual pages, compressed as Debian wants them. The notifier's goes with the
# notifier's component; a full install leaves it out, as it documents no
# program installed here.
set(man_pages vrlsensord.8 vrlsensors.1 vorrel-smc-image.5 vrlupdatenotifier.1)
set(compressed_pages)
foreach(page IN LISTS man_pages)
  set(source ${PROJECT_SOURCE_DIR}/packaging/man/${page})
  set(compressed ${PROJECT_BINARY_DIR}/man/${page}.gz)
  add_custom_command(OUTPUT ${compressed}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
    COMMAND gzip -9 -n -c ${source} > ${compressed}
    DEPENDS ${source} VERBATIM)
  list(APPEND compressed_pages ${compressed})
  string(REGEX REPLACE ".*\\." "" section ${page})
  if(page MATCHES "^vrlupdatenotifier")
    install(FILES ${compressed} DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section} COMPONENT notifier EXCLUDE_FROM_ALL)
  else()
    install(FILES ${compressed} DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section})
  endif()
endforeach()
add_custom_target(vrl_man_pages ALL DEPENDS ${compressed_pages})
