# SPDX-License-Identifier: GPL-3.0-or-later
# Installation extras and the Debian package.
#
#   cmake --install <build> --prefix <prefix>     install the tree below <prefix>
#   cmake --build <build> --target package        build tamro-raid-monitor_<version>-<rev>_<arch>.deb
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
#   lib/systemd/user/tamro-raid-monitor.service    the monitor without a desktop (--headless)
#   share/applications/org.tamro.RaidMonitor.desktop  menu entry
#   share/metainfo/org.tamro.RaidMonitor.metainfo.xml AppStream data for software centres
#   share/icons/hicolor/<size>/apps/tamro-raid-monitor.{png,svg}
#   share/man/man1/*.1.gz (man8: the storage service)  manual pages, made by help2man
#   share/tamro-raid-monitor/help/                 help files, opened in the user's browser
#   share/tamro-raid-monitor/translations/         compiled string tables (also embedded)
#   share/tamro-raid-monitor/scenarios/            simulator scenarios
#   share/doc/tamro-raid-monitor/                  README files, copyright, changelog.Debian.gz;
#                                                  prometheus/: alert rules
# Tests and benchmarks have no install rules and so are never part of the tree or the package.
# The files that are only packaging (copyright, unit, metainfo, man page sections) are in
# packaging/; the release notes are NEWS, in the format of a Debian changelog.

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

# The release: NEWS is the project's changelog, written as a Debian changelog, newest entry
# first. Its first entry must be this version's (upstream version, "-", Debian revision); the
# package takes the revision and the release date from it.
file(STRINGS ${PROJECT_SOURCE_DIR}/NEWS tamro_news_first LIMIT_COUNT 1)
if(NOT tamro_news_first MATCHES "^${PROJECT_NAME} \\(([^)-]+)-([^)]+)\\) ")
  message(FATAL_ERROR "NEWS: the first line is not \"${PROJECT_NAME} (<version>-<revision>) "
                      "<distribution>; urgency=<urgency>\"")
endif()
if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
  message(FATAL_ERROR "NEWS: the newest entry is for ${CMAKE_MATCH_1}, not for "
                      "${PROJECT_VERSION}; add an entry for this version at the top")
endif()
set(TAMRO_DEBIAN_REVISION ${CMAKE_MATCH_2})
file(STRINGS ${PROJECT_SOURCE_DIR}/NEWS tamro_news_trailer REGEX "^ -- " LIMIT_COUNT 1)
if(NOT tamro_news_trailer MATCHES
   "  [A-Z][a-z][a-z], ([0-9][0-9]) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) ")
  message(FATAL_ERROR "NEWS: the newest entry has no \" -- Name <address>  Day, DD Mon YYYY "
                      "hh:mm:ss +zzzz\" line")
endif()
set(tamro_months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
list(FIND tamro_months ${CMAKE_MATCH_2} tamro_month)
math(EXPR tamro_month "${tamro_month} + 1" OUTPUT_FORMAT DECIMAL)
string(LENGTH "${tamro_month}" tamro_month_digits)
if(tamro_month_digits EQUAL 1)
  set(tamro_month "0${tamro_month}")
endif()
set(TAMRO_RELEASE_DATE "${CMAKE_MATCH_3}-${tamro_month}-${CMAKE_MATCH_1}")
# The manual pages carry the release's month, not the build's (reproducible builds).
string(REGEX REPLACE "^ -- [^>]*>  " "" tamro_news_date "${tamro_news_trailer}")
execute_process(COMMAND date -d "${tamro_news_date}" +%s OUTPUT_VARIABLE TAMRO_RELEASE_EPOCH
                OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/NEWS)

# The Debian changelog and the machine-readable copyright file, in the package's doc folder.
set(tamro_changelog ${PROJECT_BINARY_DIR}/changelog.Debian.gz)
add_custom_command(
  OUTPUT ${tamro_changelog}
  COMMAND sh -c "gzip -9n < \"$1\" > \"$2\"" sh ${PROJECT_SOURCE_DIR}/NEWS ${tamro_changelog}
  DEPENDS ${PROJECT_SOURCE_DIR}/NEWS
  COMMENT "Compressing the changelog"
  VERBATIM)
add_custom_target(tamro-changelog ALL DEPENDS ${tamro_changelog})
install(FILES ${tamro_changelog} ${PROJECT_SOURCE_DIR}/packaging/copyright
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
# What lintian is told to accept, each with its reason (packaging/lintian-overrides).
install(FILES ${PROJECT_SOURCE_DIR}/packaging/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME tamro-raid-monitor)

# The monitor as a systemd user service, for a machine without a desktop. User units live in
# <prefix>/lib/systemd/user whatever the libdir (not lib/<triplet>).
tamro_install_systemd_unit(${PROJECT_SOURCE_DIR}/packaging/tamro-raid-monitor.service.in
                           lib/systemd/user)

# AppStream metadata, found by software centres; its id is the desktop file's name. The
# screenshot is a picture of the render tool (target tamro-screenshot makes it afresh) kept
# in packaging/screenshots/; software centres fetch it from where the project publishes it.
set(TAMRO_HOMEPAGE_URL "https://example.com/tamro-raid-monitor"
    CACHE STRING "The project's web page, named in the AppStream metadata")
set(TAMRO_SCREENSHOT_URL "${TAMRO_HOMEPAGE_URL}/screenshots/status-window.png"
    CACHE STRING "Where the screenshot packaging/screenshots/status-window.png is published")
set(tamro_screenshot ${PROJECT_SOURCE_DIR}/packaging/screenshots/status-window.png)
# The size, from the PNG header (bytes 16..23: width and height, big-endian).
file(READ ${tamro_screenshot} tamro_png_size OFFSET 16 LIMIT 8 HEX)
string(SUBSTRING "${tamro_png_size}" 0 8 tamro_png_width)
string(SUBSTRING "${tamro_png_size}" 8 8 tamro_png_height)
math(EXPR TAMRO_SCREENSHOT_WIDTH "0x${tamro_png_width}" OUTPUT_FORMAT DECIMAL)
math(EXPR TAMRO_SCREENSHOT_HEIGHT "0x${tamro_png_height}" OUTPUT_FORMAT DECIMAL)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${tamro_screenshot})
add_custom_target(tamro-screenshot
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${PROJECT_BINARY_DIR}/screenshot-renders
  COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8
          $<TARGET_FILE:tamro-render-ui> ${PROJECT_BINARY_DIR}/screenshot-renders
  COMMAND ${CMAKE_COMMAND} -E copy
          ${PROJECT_BINARY_DIR}/screenshot-renders/en/status-healthy.png ${tamro_screenshot}
  DEPENDS tamro-render-ui
  COMMENT "Screenshot for the AppStream metadata: ${tamro_screenshot}"
  VERBATIM)

# The programs it provides: made once every target is known (deferred to the end of the
# top-level directory), the storage service only when it is built.
function(tamro_install_metainfo)
  set(binaries tamro-raid-monitor tamro-storage-sim)
  if(TARGET tamro-storage-service)
    list(APPEND binaries tamro-storage-service)
  endif()
  list(TRANSFORM binaries REPLACE "(.+)" "    <binary>\\1</binary>")
  list(JOIN binaries "\n" TAMRO_METAINFO_BINARIES)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/org.tamro.RaidMonitor.metainfo.xml.in
                 ${PROJECT_BINARY_DIR}/packaging/org.tamro.RaidMonitor.metainfo.xml @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/packaging/org.tamro.RaidMonitor.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endfunction()
cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL tamro_install_metainfo)

include(${CMAKE_CURRENT_LIST_DIR}/manpages.cmake)

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
  "rebuild completes. On a machine without a desktop it runs headless as a"
  "systemd user service, alerting by mail and web requests."
  "."
  "The package also contains tamro-storage-sim, a simulator of the storage"
  "service, so the monitor can be tried without the hardware.")
if(TARGET tamro-storage-service)
  string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}"
    "."
    "tamro-storage-service is the storage service for this machine's own"
    "two-drive md RAID and Btrfs arrays, with its systemd socket and service"
    "units; they are not enabled when the package is installed.")
endif()
set(CPACK_PACKAGE_CONTACT "TAMRO RAID MONITOR developers <dev@example.com>")
set(CPACK_PACKAGE_INSTALL_DIRECTORY "tamro-raid-monitor")
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR "DEB")
set(CPACK_SOURCE_GENERATOR "TGZ")
set(CPACK_SOURCE_IGNORE_FILES "/\\\\.git/" "/build[^/]*/")

set(CPACK_DEBIAN_PACKAGE_NAME "tamro-raid-monitor")
set(CPACK_DEBIAN_PACKAGE_RELEASE ${TAMRO_DEBIAN_REVISION}) # from NEWS
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT) # tamro-raid-monitor_<version>-<revision>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "TAMRO RAID MONITOR developers <dev@example.com>")
set(CPACK_DEBIAN_PACKAGE_SECTION "admin")
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
