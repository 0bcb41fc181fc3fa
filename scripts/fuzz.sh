#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (into build-fuzz/) and runs each for a bounded
# time: 60 seconds unless given.
#
#   ./scripts/fuzz.sh [seconds-per-target] [target...]
#
# A crash, a hang (one input over 10 s), a sanitizer report or a failed check stops that
# target, keeps the input in build-fuzz/artifacts/ and makes the script fail. Each target's
# corpus stays in build-fuzz/corpus/<target>, so later runs start where earlier ones ended.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${VANTEL_FUZZ_BUILD_DIR:-$root/build-fuzz}
seconds=${1:-${VANTEL_FUZZ_SECONDS:-60}}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fuzz_replies fuzz_inifile fuzz_script fuzz_play fuzz_portmap fuzz_telnet)

# clang and its fuzzer runtime (libclang_rt.fuzzer), besides Qt and CMake.
packages=(qt6-base-dev qt6-serialport-dev cmake make clang libclang-rt-14-dev)
"$root/scripts/install-packages.sh" "${packages[@]}"

if [ ! -f "$build/CMakeCache.txt" ]; then
    CXX=clang++ cmake -S "$root" -B "$build" -G "Unix Makefiles" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DVANTEL_FUZZ=ON -DBUILD_TESTING=OFF ${VANTEL_CMAKE_ARGS:-} >/dev/null
fi
cmake --build "$build" --target "${targets[@]}" -j"$(nproc)"

mkdir -p "$build/artifacts"
failed=()
for target in "${targets[@]}"; do
    corpus="$build/corpus/$target"
    mkdir -p "$corpus"
    echo "== $target: ${seconds}s"
    if "$build/fuzz/$target" "$corpus" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$build/artifacts/$target-" 2>"$build/$target.log"; then
        grep -E "^stat::number_of_executed_units|^stat::peak_rss_mb" "$build/$target.log" | tr '\n' ' '
        echo "corpus: $(find "$corpus" -type f | wc -l) inputs; no crash, no hang, no sanitizer report"
    else
        tail -n 40 "$build/$target.log"
        echo "$target FAILED; input kept in $build/artifacts/"
        failed+=("$target")
    fi
done
[ ${#failed[@]} -eq 0 ] || { echo "fuzzing failed: ${failed[*]}"; exit 1; }
