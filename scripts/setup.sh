#!/usr/bin/env bash
# Installs what building and testing need on Debian 12, skipping what is already there,
# then configures and builds into build/ (or $VANTEL_BUILD_DIR). Called by run.sh and
# test.sh; safe to run again.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${VANTEL_BUILD_DIR:-$root/build}
# libqt6svg6 draws the built-in window icon; the install test runs the installed program on
# Xvfb, reads its window with xprop (x11-utils) and validates its AppStream metadata. The MQTT
# bridge builds on libmosquitto and is tested against the mosquitto broker and its clients.
packages=(qt6-base-dev qt6-serialport-dev cmake g++ make dpkg-dev file desktop-file-utils
          libqt6svg6 hicolor-icon-theme xvfb x11-utils appstream lcdproc ser2net
          libmosquitto-dev mosquitto mosquitto-clients ${VANTEL_EXTRA_PACKAGES:-})

"$root/scripts/install-packages.sh" "${packages[@]}"

if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -G "Unix Makefiles" -DCMAKE_BUILD_TYPE=RelWithDebInfo ${VANTEL_CMAKE_ARGS:-}
fi
cmake --build "$build" -j"$(nproc)"
