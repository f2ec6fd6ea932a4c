#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Set-up, build, run and test TAMRO RAID MONITOR on Debian 12.
#   bash scripts/dev.sh run    install what is missing, build, run the monitor against the
#                              simulator (started when nothing listens on 127.0.0.1:51115)
#   bash scripts/dev.sh test   install what is missing, build, run the whole test suite
#   bash scripts/dev.sh build  install what is missing and build
#   bash scripts/dev.sh deps   install what is missing
# Environment: BUILD_DIR (default: build), CI=true adds -Werror, TAMRO_SANITIZE=ON builds
# with AddressSanitizer+UBSan; for "run": TAMRO_RUN_SECONDS ends it after that many seconds,
# TAMRO_SCENARIO names the simulator's scenario (a file of tools/sim/scenarios without
# ".json"; default drive-pulled).
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_DIR=${BUILD_DIR:-$ROOT/build}
PACKAGES=(
  build-essential cmake ninja-build pkg-config
  # tamro-storage-service: the socket systemd hands over (sd_listen_fds)
  libsystemd-dev
  qt6-base-dev qt6-base-dev-tools qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools
  libgl-dev libvulkan-dev libxkbcommon-dev
  libcurl4-openssl-dev ca-certificates openssl
  qtkeychain-qt6-dev libsecret-1-0
  python3 python3-aiosmtpd
  dbus gnome-keyring libsecret-tools
  # The Debian package: dpkg-shlibdeps computes its dependencies, help2man makes the manual
  # pages; the packaging test checks it with lintian, appstreamcli and desktop-file-validate
  # and renders the pages with man.
  dpkg-dev help2man lintian appstream desktop-file-utils man-db
  # Tests only: the window renders check that Japanese and Chinese texts have glyphs. A small
  # CJK font keeps CI fast; desktops ship their own (fonts-noto-cjk). The program needs none.
  fonts-wqy-microhei
  # Tests only: promtool checks the metrics file and the alert rules; the end-to-end test
  # scrapes a real node_exporter.
  prometheus prometheus-node-exporter
  # Tests only: the end-to-end run of the storage service on a real Btrfs pair (as root).
  btrfs-progs
)

say() { printf 'tamro: %s\n' "$*"; }

deps() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if [ ${#missing[@]} -eq 0 ]; then
    say "all packages present"
    return
  fi
  local sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null 2>&1; then
      say "missing Debian packages: ${missing[*]}"
      say "installing them needs root, and sudo is not installed: run this script as root," \
        "or install sudo first (as root: apt-get install sudo) and run it again"
      exit 1
    fi
    sudo=(sudo)
  fi
  say "installing: ${missing[*]}"
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
    "${missing[@]}"
}

build() {
  local werror=OFF
  [ "${CI:-}" = "true" ] && werror=ON
  say "configuring in $BUILD_DIR"
  cmake -S "$ROOT" -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTAMRO_WERROR="$werror" -DTAMRO_SANITIZE="${TAMRO_SANITIZE:-OFF}"
  say "building"
  cmake --build "$BUILD_DIR" --parallel "$(nproc)"
}

# True when a TCP socket listens on port 51115. Read from the kernel's socket tables instead of
# connecting, so the probe never shows up as a client of the service.
service_listening() {
  local tables=()
  for t in /proc/net/tcp /proc/net/tcp6; do [ -r "$t" ] && tables+=("$t"); done
  [ ${#tables[@]} -gt 0 ] || return 1
  # Columns: sl, local address:port (hex), remote address:port, state (0A: listening).
  awk -v port=":$(printf '%04X' 51115)" \
    'FNR > 1 && $4 == "0A" && substr($2, length($2) - 4) == port { found = 1 }
     END { exit !found }' "${tables[@]}"
}

SIM_PID=""
stop_simulator() {
  if [ -n "$SIM_PID" ]; then
    kill "$SIM_PID" 2>/dev/null || true
    wait "$SIM_PID" 2>/dev/null || true
    SIM_PID=""
  fi
}

run() {
  if service_listening; then
    say "a storage service already listens on 127.0.0.1:51115; using it"
  else
    local scenario="$ROOT/tools/sim/scenarios/${TAMRO_SCENARIO:-drive-pulled}.json"
    if [ ! -f "$scenario" ]; then
      say "no scenario \"${TAMRO_SCENARIO}\"; TAMRO_SCENARIO may be one of:" \
        "$(cd "$ROOT/tools/sim/scenarios" && ls -- *.json | sed 's/\.json$//' | tr '\n' ' ')"
      exit 2
    fi
    say "starting the storage-service simulator on 127.0.0.1:51115 (scenario $(basename "$scenario" .json))"
    "$BUILD_DIR/tools/sim/tamro-storage-sim" --port 51115 --scenario "$scenario" &
    SIM_PID=$!
    trap stop_simulator EXIT
    for _ in $(seq 50); do service_listening && break; sleep 0.1; done
  fi
  local options=()
  if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    say "no display: running the monitor with --headless; what it does is logged below"
    say "no one can click a panel headless: notices and alerts are answered at once and logged"
    options=(--headless)
  fi
  say "starting the monitor (Ctrl+C ends it)"
  if [ -n "${TAMRO_RUN_SECONDS:-}" ]; then
    timeout --preserve-status -s INT "$TAMRO_RUN_SECONDS" \
      "$BUILD_DIR/app/tamro-raid-monitor" "${options[@]}" || true
  else
    "$BUILD_DIR/app/tamro-raid-monitor" "${options[@]}" || true
  fi
  stop_simulator
  say "monitor ended"
}

test_suite() {
  say "running the test suite"
  cd "$BUILD_DIR"
  QT_QPA_PLATFORM=offscreen ctest --output-on-failure --parallel "$(nproc)" --timeout 600
}

case "${1:-}" in
  deps) deps ;;
  build) deps; build ;;
  run) deps; build; run ;;
  test) deps; build; test_suite ;;
  *) echo "usage: $0 run|test|build|deps" >&2; exit 2 ;;
esac
