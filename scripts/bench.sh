#!/usr/bin/env bash
# Installs what is missing (Xvfb included), builds, and runs the benchmark; prints one
# table of measured medians beside their targets. Arguments go to vantel-bench:
#   ./scripts/bench.sh            full run, about two minutes
#   ./scripts/bench.sh --quick    fewer repeats, about half a minute
# Run it on an otherwise idle machine: every figure is wall-clock time.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${VANTEL_BUILD_DIR:-$root/build}
"$root/scripts/setup.sh" >/dev/null
cmake --build "$build" --target vantel-bench -j"$(nproc)" >/dev/null
exec "$build/bench/vantel-bench" "$@"
