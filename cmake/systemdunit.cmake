# SPDX-License-Identifier: GPL-3.0-or-later
# tamro_install_systemd_unit(<template> <destination>)
#
# Installs a systemd unit made from <template> (configure_file @VAR@ syntax) into
# <prefix>/<destination>. The unit is made at install time, because only then is the prefix
# known that its paths must name: `cmake --install --prefix ...` and CPack (which installs
# with the package's prefix, /usr, below a staging DESTDIR) choose it after configuration.
# The template may use @TAMRO_INSTALL_BINDIR@ and @TAMRO_INSTALL_LIBEXECDIR@, the absolute
# folders of the installed programs.
function(tamro_install_systemd_unit template destination)
  get_filename_component(name "${template}" NAME)
  string(REGEX REPLACE "\\.in$" "" name "${name}")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${template}")
  install(CODE "
    set(TAMRO_INSTALL_BINDIR \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
    set(TAMRO_INSTALL_LIBEXECDIR \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBEXECDIR}\")
    set(unit \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${destination}/${name}\")
    message(STATUS \"Installing: \${unit}\")
    configure_file(\"${template}\" \"\${unit}\" @ONLY)
    file(CHMOD \"\${unit}\" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
    list(APPEND CMAKE_INSTALL_MANIFEST_FILES \"\${unit}\")
  ")
endfunction()
