#!/usr/bin/env bash
# Installs what is missing, builds, and starts the utility.
#
# Without hardware: when COM1 is not mapped to a device (VANTEL_COM1 unset), the virtual
# module starts in this terminal and COM1 is mapped to it; pick COM1 and press Connect.
# With hardware: set VANTEL_COM1 (or any VANTEL_COM<n>) to the device, or use --hardware
# to start the utility alone with the system's serial ports.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${VANTEL_BUILD_DIR:-$root/build}
VANTEL_EXTRA_PACKAGES="xvfb xauth" "$root/scripts/setup.sh"

app=("$build/src/vantelapp")
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found: starting the window on a virtual X server (xvfb-run)."
    app=(xvfb-run -a "${app[@]}")
fi

if [ "${1:-}" = "--hardware" ] || [ -n "${VANTEL_COM1:-}" ] || [ ! -x "$build/tools/vantel-sim/vantel-sim" ]; then
    exec "${app[@]}"
fi

link="${XDG_RUNTIME_DIR:-/tmp}/vantel-sim-$(id -u)"
"$build/tools/vantel-sim/vantel-sim" --link "$link" &
sim=$!
trap 'kill -TERM $sim 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ -e "$link" ] && break; sleep 0.1; done
VANTEL_COM1="$link" "${app[@]}"
