#!/usr/bin/env bash
# Installs what is missing, builds, and starts the utility.
#
# Without hardware: unless COM1 is mapped to a device (VANTEL_COM1), the virtual module
# starts too and the utility beside it with COM1 mapped to the module: pick COM1 and press
# Connect. With a display the module is a window of its own, placed to the right of the
# utility's (--terminal keeps it in this terminal); without one it runs in this terminal,
# where its keys work, and the utility's window on a virtual X server. Quitting the module
# (its window, q or Ctrl+C) closes the utility, which saves its settings, and closing the
# utility's window ends the module.
# With hardware: set VANTEL_COM1 (or any VANTEL_COM<n>) to the device, or use --hardware
# to start the utility alone with the system's serial ports.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${VANTEL_BUILD_DIR:-$root/build}
# xvfb-run needs xauth (a package the install leaves out as merely recommended); the window
# looks best in DejaVu Sans's semi-condensed face (fonts-dejavu-extra).
VANTEL_EXTRA_PACKAGES="xauth fonts-dejavu-extra" "$root/scripts/setup.sh"

app=("$build/src/app/vantelapp")
utility_width=740 # the utility's window and a little room: where the module's goes
sim=("$build/tools/vantel-sim/vantel-sim")
headless=false
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found: starting the window on a virtual X server (xvfb-run)."
    headless=true
fi
face=window
if $headless || [ "${1:-}" = "--terminal" ]; then
    face=terminal
fi

if [ "${1:-}" = "--hardware" ] || [ -n "${VANTEL_COM1:-}" ] || [ ! -x "${sim[0]}" ]; then
    if $headless; then
        exec xvfb-run -a "${app[@]}"
    fi
    exec "${app[@]}"
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/vantel-run.XXXXXX")
link="$work/vantel-sim"   # COM1 while this run lasts
pidfile="$work/vantelapp.pid"
started="$work/started"
applog="$work/vantelapp.log"
ui=false
[ "$face" = terminal ] && [ -t 0 ] && [ -t 1 ] && ui=true
job=

# The utility gets SIGTERM, which closes its window the way the user does (settings
# saved, port released); xvfb-run would not pass the signal on, so it goes to the
# utility's own process id. Before the module's link appeared there is no utility yet,
# only the shell waiting for the link.
stop_utility() {
    [ -n "$job" ] || return 0
    if [ -e "$started" ]; then
        for _ in $(seq 200); do
            [ -s "$pidfile" ] && break
            kill -0 "$job" 2>/dev/null || break
            sleep 0.05
        done
    fi
    local pid
    pid=$(cat "$pidfile" 2>/dev/null || true)
    kill -TERM "${pid:-$job}" 2>/dev/null || true
    # A utility that does not close within ten seconds is stopped the hard way.
    for _ in $(seq 200); do
        kill -0 "$job" 2>/dev/null || break
        sleep 0.05
    done
    kill -0 "$job" 2>/dev/null && kill -KILL "${pid:-$job}" 2>/dev/null
    wait "$job" 2>/dev/null || true
    job=
}

finish() {
    stop_utility
    if $ui && [ -s "$applog" ]; then
        { echo "Messages from the utility:" && cat "$applog"; } 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap finish EXIT
trap 'exit 129' HUP
trap 'exit 143' TERM

# The utility, in the background: it starts once the module's link exists, in a session
# of its own, so that Ctrl+C or a closed terminal reaches only the module and this script
# (an X server would die of them at once, taking the window down unsaved); the script
# then closes it with SIGTERM. With the module's screen in this terminal the utility's
# messages go to a log, shown when both have ended. Its window goes to the top left, the
# module's beside it (a window manager may place them otherwise): the module picks a zoom
# that leaves room for both (zoom 1, about 475 pixels wide, on a 1366x768 or 1600x900
# screen; zoom 2 from about 1690 pixels across).
if $ui; then exec 4>"$applog"; else exec 4>&2; fi
(
    for _ in $(seq 200); do
        [ -L "$link" ] && break
        sleep 0.05
    done
    [ -L "$link" ] || exit 1
    export VANTEL_COM1="$link"
    : >"$started"
    wrapper=(sh -c 'echo $$ >"$0"; exec "$@"' "$pidfile")
    if $headless; then
        exec setsid -w xvfb-run -a "${wrapper[@]}" "${app[@]}"
    fi
    exec setsid -w "${wrapper[@]}" "${app[@]}" -qwindowgeometry +0+0
) </dev/null >&4 2>&4 &
job=$!
exec 4>&-

# The module, in the foreground: it owns the terminal and its keys (or its window), and
# ends by itself when the utility's process does.
sim+=(--link "$link" --exit-with "$job")
if [ "$face" = window ]; then
    sim+=(--window -qwindowgeometry "+$utility_width+0")
elif $ui; then
    sim+=(--terminal)
else
    sim+=(--no-ui)
fi
status=0
"${sim[@]}" || status=$?
exit "$status"
