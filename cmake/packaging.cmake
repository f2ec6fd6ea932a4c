# Installation extras and the Debian package.
#
#   cmake --install <build> --prefix <prefix>     install the tree below <prefix>
#   cmake --build <build> --target package        build tamro-raid-monitor_<version>_<arch>.deb
#   (or: cd <build> && cpack -G DEB)
#
# What is installed (relative to the prefix; /usr in the package):
#   bin/tamro-raid-monitor                         the monitor
#   bin/tamro-storage-sim                          the storage-service simulator, to try the
#                                                  monitor without the hardware
#   bin/tamro-storage-service                      the storage service for this machine's md
#                                                  RAID and Btrfs arrays
#   lib/systemd/system/tamro-storage-service.{socket,service}
#                                                  its units (enabled by the user, not here)
#   libexec/tamro-raid-monitor/popbsmtp            the mail tool, found relative to the monitor
#   share/applications/tamro-raid-monitor.desktop  menu entry
#   share/icons/hicolor/<size>/apps/tamro-raid-monitor.{png,svg}
#   share/tamro-raid-monitor/help/                 help files, opened in the user's browser
#   share/tamro-raid-monitor/translations/         compiled string tables (also embedded)
#   share/tamro-raid-monitor/scenarios/            simulator scenarios
#   share/doc/tamro-raid-monitor/                  README files; prometheus/: alert rules
# Tests and benchmarks have no install rules and so are never part of the tree or the package.

# The programs link only system libraries (Qt, libcurl), so the installed ones need no run
# path; the default one points at folders beside the program that hold no libraries of ours.
set_target_properties(tamro-raid-monitor tamro-storage-sim popbsmtp PROPERTIES INSTALL_RPATH "")

install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${PROJECT_SOURCE_DIR}/tools/sim/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR}
        RENAME README.tamro-storage-sim.md)
install(FILES ${PROJECT_SOURCE_DIR}/docs/prometheus/README.md
              ${PROJECT_SOURCE_DIR}/docs/prometheus/tamro-raid-monitor.rules.yml
              ${PROJECT_SOURCE_DIR}/docs/prometheus/tamro-raid-monitor.rules.test.yml
        DESTINATION ${CMAKE_INSTALL_DOCDIR}/prometheus)

set(CPACK_PACKAGE_NAME "tamro-raid-monitor")
set(CPACK_PACKAGE_VENDOR "TAMRO RAID MONITOR developers")
set(CPACK_PACKAGE_VERSION_MAJOR ${PROJECT_VERSION_MAJOR})
set(CPACK_PACKAGE_VERSION_MINOR ${PROJECT_VERSION_MINOR})
set(CPACK_PACKAGE_VERSION_PATCH ${PROJECT_VERSION_PATCH})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "tray monitor for two-drive RAID enclosures")
# Debian wants the extended description in lines of at most 80 columns; "." is an empty line.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "TAMRO RAID MONITOR lives as a tray icon and reports at once when a drive of a"
  "two-drive RAID enclosure goes missing, when a rebuild runs and when it has"
  "finished. It talks to the local storage service on 127.0.0.1:51115, shows the"
  "enclosures and their drives in a status window, keeps a CSV event log, sends"
  "e-mail through its mail tool popbsmtp and can shut the computer down when a"
  "rebuild completes."
  "."
  "The package also contains tamro-storage-sim, a simulator of the storage"
  "service, so the monitor can be tried without the hardware.")
set(CPACK_PACKAGE_CONTACT "TAMRO RAID MONITOR developers <dev@example.com>")
set(CPACK_PACKAGE_INSTALL_DIRECTORY "tamro-raid-monitor")
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR "DEB")
set(CPACK_SOURCE_GENERATOR "TGZ")
set(CPACK_SOURCE_IGNORE_FILES "/\\\\.git/" "/build[^/]*/")

set(CPACK_DEBIAN_PACKAGE_NAME "tamro-raid-monitor")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT) # tamro-raid-monitor_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "TAMRO RAID MONITOR developers <dev@example.com>")
set(CPACK_DEBIAN_PACKAGE_SECTION "utils")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
# Library dependencies are computed from the installed programs by dpkg-shlibdeps (dpkg-dev).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads its platform plugins at run time, so shlibdeps cannot see them; without one (xcb,
# wayland or offscreen, all in qt6-qpa-plugins) the program cannot start at all.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# sudo: the shutdown after a finished rebuild; xdg-utils: opening the help file in the browser;
# ca-certificates: mail over TLS; libsecret-1-0: QtKeychain loads it at run time to keep the
# SMTP password in the desktop's Secret Service (without it the settings file keeps it).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "sudo, xdg-utils, ca-certificates, libsecret-1-0")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "qt6-wayland")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
