#!/usr/bin/env bash
# Builds the program and every test with AddressSanitizer, LeakSanitizer and
# UndefinedBehaviorSanitizer into build-asan/ and runs the whole test suite there. Any
# report fails the test that caused it; ends with CTest's summary line.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${VANTEL_ASAN_BUILD_DIR:-$root/build-asan}
VANTEL_BUILD_DIR="$build" VANTEL_CMAKE_ARGS="-DVANTEL_SANITIZE=ON -DVANTEL_PACKAGING=OFF ${VANTEL_CMAKE_ARGS:-}" "$root/scripts/setup.sh"
grep -q "VANTEL_SANITIZE:BOOL=ON" "$build/CMakeCache.txt" || {
    echo "$build was configured without -DVANTEL_SANITIZE=ON; remove it and run again" >&2
    exit 1
}
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:detect_stack_use_after_return=1:strict_string_checks=1:check_initialization_order=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
cd "$build"
ctest --output-on-failure -j"${VANTEL_TEST_JOBS:-2}"
