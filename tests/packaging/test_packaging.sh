#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package from a build tree and checks it:
#   lintian reports no error and no warning;
#   the AppStream metadata passes `appstreamcli validate --no-net --strict` (alone and in the
#   installed tree), and the desktop file `desktop-file-validate`; the metadata's id is the
#   desktop file's name;
#   every manual page renders with `man -l`, without a groff warning;
#   the package holds the programs, the systemd units, the manual pages, the metadata, the
#   copyright file and the changelog.
# Usage: test_packaging.sh <cpack> <build folder> [--with-storage-service]
# Exit status 77 (skipped) where dpkg-deb is missing.
set -uo pipefail

if ! command -v dpkg-deb >/dev/null 2>&1; then
  echo "SKIP: dpkg-deb is missing (package dpkg): no Debian package can be made here"
  exit 77
fi

cpack=$1
build=$2
with_service=false
[ "${3:-}" = "--with-storage-service" ] && with_service=true

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A home of its own: nothing here reads or writes the user's.
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_CACHE_HOME=$work/home/.cache \
  XDG_DATA_HOME=$work/home/.local/share
mkdir -p "$HOME"

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# The package, made as the package target makes it, but into a folder of its own.
if ! "$cpack" --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log"
  echo "FAIL: cpack could not make the package"
  exit 1
fi
debs=("$work"/out/*.deb)
if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ]; then
  cat "$work/cpack.log"
  echo "FAIL: cpack made no single .deb: ${debs[*]}"
  exit 1
fi
deb=${debs[0]}
echo "package: $(basename "$deb")"

# lintian, as a distribution would run it; info tags are shown but do not fail.
echo "--- lintian --fail-on error,warning --info $(basename "$deb")"
lintian --fail-on error,warning --info "$deb" || fail "lintian reports errors or warnings"

dpkg-deb -x "$deb" "$work/root" || fail "dpkg-deb cannot unpack the package"
dpkg-deb -c "$deb" | awk '{ print $NF }' | sed 's|^\./||' >"$work/files"
root=$work/root

# Every file the package must hold.
expected=(
  usr/bin/tamro-raid-monitor
  usr/bin/tamro-storage-sim
  usr/libexec/tamro-raid-monitor/popbsmtp
  usr/lib/systemd/user/tamro-raid-monitor.service
  usr/share/applications/org.tamro.RaidMonitor.desktop
  usr/share/metainfo/org.tamro.RaidMonitor.metainfo.xml
  usr/share/man/man1/tamro-raid-monitor.1.gz
  usr/share/man/man1/tamro-storage-sim.1.gz
  usr/share/man/man1/popbsmtp.1.gz
  usr/share/doc/tamro-raid-monitor/copyright
  usr/share/doc/tamro-raid-monitor/changelog.Debian.gz
)
pages=(tamro-raid-monitor.1 tamro-storage-sim.1 popbsmtp.1)
if $with_service; then
  expected+=(
    usr/share/man/man8/tamro-storage-service.8.gz
    lib/systemd/system/tamro-storage-service.service
    lib/systemd/system/tamro-storage-service.socket
  )
  pages+=(tamro-storage-service.8)
fi
for path in "${expected[@]}"; do
  # Units may be shipped below /lib or /usr/lib (merged /usr): either is the same place.
  alt=${path#usr/}
  [ "$alt" = "$path" ] && alt=usr/$path
  grep -qxF "$path" "$work/files" || grep -qxF "$alt" "$work/files" ||
    fail "the package lacks $path"
done

# The user unit runs the installed monitor headless and restarts it when it fails; every
# unit starts a program of the package, by the path the package installs it at.
unit=$root/usr/lib/systemd/user/tamro-raid-monitor.service
if [ -f "$unit" ]; then
  grep -qxF "ExecStart=/usr/bin/tamro-raid-monitor --headless" "$unit" ||
    fail "the user unit does not run /usr/bin/tamro-raid-monitor --headless"
  grep -qxF "Restart=on-failure" "$unit" || fail "the user unit has no Restart=on-failure"
fi
while IFS= read -r line; do
  file=${line%%:*}
  program=${line#*:ExecStart=}
  program=${program%% *}
  program=${program#[-@:+!]}
  program=${program#[-@:+!]}
  case "$program" in
    /*) [ -x "$root$program" ] || fail "${file#"$root"/} starts $program, which the package does not hold" ;;
    *) fail "${file#"$root"/} starts \"$program\", not an absolute path" ;;
  esac
done < <(grep -H '^ExecStart=' "$root"/usr/lib/systemd/*/*.service "$root"/lib/systemd/*/*.service 2>/dev/null)

# AppStream metadata and the desktop entry, by their own validators.
metainfo=$root/usr/share/metainfo/org.tamro.RaidMonitor.metainfo.xml
if [ -f "$metainfo" ]; then
  echo "--- appstreamcli validate --no-net --strict"
  appstreamcli validate --no-net --strict "$metainfo" || fail "appstreamcli finds faults"
  # The installed tree as a software centre reads it: the metadata with its desktop file.
  echo "--- appstreamcli validate-tree --no-net --strict"
  appstreamcli validate-tree --no-net --strict "$root" || fail "appstreamcli finds faults in the tree"
  id=$(sed -n 's|^ *<id>\(.*\)</id> *$|\1|p' "$metainfo")
  launchable=$(sed -n 's|^ *<launchable type="desktop-id">\(.*\)</launchable> *$|\1|p' "$metainfo")
  [ "$launchable" = "$id.desktop" ] || fail "the metadata's id \"$id\" and launchable \"$launchable\" differ"
  [ -f "$root/usr/share/applications/$id.desktop" ] ||
    fail "no desktop file named after the metadata's id: $id.desktop"
  for binary in $(sed -n 's|^ *<binary>\(.*\)</binary> *$|\1|p' "$metainfo"); do
    [ -x "$root/usr/bin/$binary" ] || [ -x "$root/usr/sbin/$binary" ] ||
      fail "the metadata provides $binary, which the package does not install on the path"
  done
fi
desktop=$root/usr/share/applications/org.tamro.RaidMonitor.desktop
if [ -f "$desktop" ]; then
  echo "--- desktop-file-validate"
  out=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate: $out"
  [ -z "$out" ] && echo "(no output)" || { echo "$out"; fail "desktop-file-validate complains"; }
fi

# Each manual page renders, with the sections its --help does not give, and no groff warning.
for page in "${pages[@]}"; do
  name=${page%.*}
  section=${page##*.}
  file=$root/usr/share/man/man$section/$page.gz
  [ -f "$file" ] || continue
  text=$(MANWIDTH=80 MANPAGER=cat man --warnings -E UTF-8 -l "$file" 2>"$work/man.err") ||
    fail "man -l $page failed"
  if [ -s "$work/man.err" ]; then
    fail "man -l $page: $(cat "$work/man.err")"
  fi
  for heading in NAME SYNOPSIS DESCRIPTION "EXIT STATUS" FILES "SEE ALSO"; do
    grep -qx "$heading" <<<"$text" || fail "$page has no $heading section"
  done
  grep -Eq "^ *$name +- " <<<"$text" || fail "$page does not name $name in its NAME line"
done

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all checks passed"
