#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test; ends with CTest's summary line.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${VANTEL_BUILD_DIR:-$root/build}
"$root/scripts/setup.sh"
cd "$build"
ctest --output-on-failure -j"${VANTEL_TEST_JOBS:-2}"
