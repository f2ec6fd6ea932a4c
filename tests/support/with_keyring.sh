#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a test program inside a private D-Bus session with a real Secret Service: a
# gnome-keyring daemon whose login keyring is made and unlocked with a throw-away password,
# in a throw-away home. The user's own bus and keyring are never reached. The program sees
# TAMRO_TEST_KEYRING=1.
#   sh with_keyring.sh PROGRAM [ARGUMENTS...]
set -eu
for tool in dbus-run-session gnome-keyring-daemon; do
  command -v "$tool" >/dev/null || { echo "with_keyring: $tool is missing (scripts/dev.sh deps)" >&2; exit 1; }
done
home=$(mktemp -d "${TMPDIR:-/tmp}/tamro-keyring-XXXXXX")
trap 'rm -rf "$home"' EXIT
export HOME="$home" XDG_DATA_HOME="$home/.local/share" XDG_CONFIG_HOME="$home/.config" \
  XDG_CACHE_HOME="$home/.cache" XDG_RUNTIME_DIR="$home/runtime" TAMRO_TEST_KEYRING=1
mkdir -p "$XDG_DATA_HOME" "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
# No display: the keyring must never try to show a prompt.
unset DISPLAY WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS || true
status=0
dbus-run-session -- sh -c '
  printf %s throwaway-keyring-password |
    gnome-keyring-daemon --unlock --components=secrets >/dev/null || exit 1
  exec "$@"' with_keyring "$@" || status=$?
exit "$status"
