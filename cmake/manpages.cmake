# SPDX-License-Identifier: GPL-3.0-or-later
# Manual pages, made at build time by help2man from each program's own --help (and --version
# where it has one), with the sections --help does not give (exit status, environment, files)
# from packaging/man/<program>.h2m. Installed compressed as Debian wants them (gzip -9n: no
# name, no time stamp).
#
# The pages are made once every program target is known: the storage service's page only when
# its target exists. Included from packaging.cmake at the end of the top-level CMakeLists.txt;
# the call below is deferred to the end of that directory, so a program added after the
# include still gets its page.

option(TAMRO_MAN_PAGES "Make the manual pages with help2man (package help2man)" ON)

# tamro_add_man_page(<target> <section> "<what it is>" [NO_VERSION_OPTION])
function(tamro_add_man_page target section what)
  cmake_parse_arguments(M "NO_VERSION_OPTION" "" "" ${ARGN})
  set(page "${PROJECT_BINARY_DIR}/man/${target}.${section}")
  set(include "${PROJECT_SOURCE_DIR}/packaging/man/${target}.h2m")
  set(version_option)
  if(M_NO_VERSION_OPTION)
    set(version_option "--version-string=${PROJECT_VERSION}")
  endif()
  # The program is found on PATH, so the page names it and not the build folder it ran from.
  # Its --help needs no display, no settings and no service.
  add_custom_command(
    OUTPUT "${page}.gz"
    COMMAND ${CMAKE_COMMAND} -E make_directory "${PROJECT_BINARY_DIR}/man"
    COMMAND ${CMAKE_COMMAND} -E env "PATH=$<TARGET_FILE_DIR:${target}>:$ENV{PATH}"
            LC_ALL=C.UTF-8 LANGUAGE= QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0
            "SOURCE_DATE_EPOCH=${TAMRO_RELEASE_EPOCH}"
            ${TAMRO_HELP2MAN} --no-info --no-discard-stderr "--section=${section}"
            "--name=${what}" "--include=${include}" ${version_option}
            "--output=${page}" "$<TARGET_FILE_NAME:${target}>"
    COMMAND gzip -9nf "${page}"
    DEPENDS ${target} "${include}"
    COMMENT "Manual page ${target}(${section})"
    VERBATIM)
  set_property(GLOBAL APPEND PROPERTY TAMRO_MAN_PAGE_FILES "${page}.gz")
  install(FILES "${page}.gz" DESTINATION "${CMAKE_INSTALL_MANDIR}/man${section}")
endfunction()

function(tamro_add_man_pages)
  tamro_add_man_page(tamro-raid-monitor 1 "tray monitor for two-drive RAID enclosures")
  tamro_add_man_page(tamro-storage-sim 1 "simulator of the storage service"
                     NO_VERSION_OPTION)
  tamro_add_man_page(popbsmtp 1 "send one mail through an SMTP server, for tamro-raid-monitor"
                     NO_VERSION_OPTION)
  # A daemon that systemd starts for the whole system, not a command for users: section 8.
  if(TARGET tamro-storage-service)
    tamro_add_man_page(tamro-storage-service 8
                       "storage service for two-drive RAID arrays (md and Btrfs)")
  endif()
  get_property(pages GLOBAL PROPERTY TAMRO_MAN_PAGE_FILES)
  add_custom_target(tamro-man-pages ALL DEPENDS ${pages})
endfunction()

if(TAMRO_MAN_PAGES)
  find_program(TAMRO_HELP2MAN help2man REQUIRED)
  cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL tamro_add_man_pages)
endif()
