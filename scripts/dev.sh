#!/usr/bin/env bash
# Set-up, build, run and test TAMRO RAID MONITOR on Debian 12.
#   bash scripts/dev.sh run    install what is missing, build, run the monitor against the
#                              simulator (started when nothing listens on 127.0.0.1:51115)
#   bash scripts/dev.sh test   install what is missing, build, run the whole test suite
#   bash scripts/dev.sh build  install what is missing and build
#   bash scripts/dev.sh deps   install what is missing
# Environment: BUILD_DIR (default: build), CI=true adds -Werror, TAMRO_SANITIZE=ON builds
# with AddressSanitizer+UBSan, TAMRO_RUN_SECONDS ends "run" after that many seconds.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_DIR=${BUILD_DIR:-$ROOT/build}
PACKAGES=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools
  libgl-dev libvulkan-dev libxkbcommon-dev
  libcurl4-openssl-dev ca-certificates openssl
  qtkeychain-qt6-dev libsecret-1-0
  python3 python3-aiosmtpd
  dbus gnome-keyring libsecret-tools
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
  say "installing: ${missing[*]}"
  local SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
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

service_listening() {
  (exec 3<>/dev/tcp/127.0.0.1/51115) 2>/dev/null
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
    say "starting the storage-service simulator on 127.0.0.1:51115"
    "$BUILD_DIR/tools/sim/tamro-storage-sim" --port 51115 \
      --scenario "$ROOT/tools/sim/scenarios/${TAMRO_SCENARIO:-drive-pulled}.json" &
    SIM_PID=$!
    trap stop_simulator EXIT
    for _ in $(seq 50); do service_listening && break; sleep 0.1; done
  fi
  if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    say "no display: running headless (Qt offscreen platform); what the monitor does is logged below"
    say "no one can click a panel headless: notices and alerts are answered at once and logged"
    export QT_QPA_PLATFORM=offscreen
    export TAMRO_AUTO_ANSWER_MODALS=1
  fi
  say "starting the monitor (Ctrl+C ends it)"
  if [ -n "${TAMRO_RUN_SECONDS:-}" ]; then
    timeout --preserve-status -s INT "$TAMRO_RUN_SECONDS" "$BUILD_DIR/app/tamro-raid-monitor" || true
  else
    "$BUILD_DIR/app/tamro-raid-monitor" || true
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
