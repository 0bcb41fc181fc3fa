#!/usr/bin/env bash
# Prints the Qt for Windows (MinGW-w64) to build with: $VANTEL_QT_WINDOWS, else
# ../shared/qt6-windows beside this checkout. Fails with a line saying what is missing.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
candidate=${VANTEL_QT_WINDOWS:-$(dirname "$root")/shared/qt6-windows}
if [ ! -f "$candidate/lib/cmake/Qt6/Qt6Config.cmake" ] || [ ! -f "$candidate/bin/Qt6Core.dll" ]; then
    where=${VANTEL_QT_WINDOWS:+VANTEL_QT_WINDOWS=}$candidate
    echo "no Qt for Windows at $where: set VANTEL_QT_WINDOWS to a Qt 6 built for MinGW-w64" \
        "(Qt's MinGW SDK or one of your own; README, \"On Windows\")" >&2
    exit 1
fi
cd "$candidate" && pwd
