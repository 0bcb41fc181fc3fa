#!/usr/bin/env bash
# Makes docs/screenshots/side-by-side.png, the README's picture of the utility's window and the
# virtual module's window side by side as scripts/run.sh shows them, after the clicks
# that draw big numbers. The picture comes from the test that drives both windows in one
# run (tests/sim/tst_windowsidebyside.cpp), offscreen: no display is needed.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${VANTEL_BUILD_DIR:-$root/build}
"$root/scripts/setup.sh"
picture="$root/docs/screenshots/side-by-side.png"
QT_QPA_PLATFORM=offscreen VANTEL_PICTURE="$picture" "$build/tests/sim/tst_windowsidebyside"
echo "Wrote $picture"
