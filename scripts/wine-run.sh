#!/usr/bin/env bash
# Runs a program of the Windows build under Wine, its DLLs found where they are (the Qt for
# Windows, Debian's MinGW runtime) rather than copied beside it. CTest's emulator for the
# Windows build's tests, and how scripts/test-windows.sh starts the programs.
#
#   scripts/wine-run.sh [--qt DIR] [--prefix DIR] PROGRAM.exe [ARGUMENTS...]
#
# --qt is the Qt for Windows (default $VANTEL_QT_WINDOWS), --prefix the Wine prefix (default
# $WINEPREFIX), made on first use. Wine stays quiet unless WINEDEBUG says otherwise.
set -euo pipefail
qt=${VANTEL_QT_WINDOWS:-}
prefix=${WINEPREFIX:-}
while [ $# -gt 0 ]; do
    case $1 in
        --qt) qt=$2; shift 2 ;;
        --prefix) prefix=$2; shift 2 ;;
        *) break ;;
    esac
done
[ $# -gt 0 ] || { echo "usage: $0 [--qt DIR] [--prefix DIR] PROGRAM.exe [ARGUMENTS...]" >&2; exit 2; }
[ -n "$prefix" ] || { echo "$0: no Wine prefix (--prefix or WINEPREFIX)" >&2; exit 2; }
export WINEPREFIX=$prefix WINEDEBUG=${WINEDEBUG:--all}

# Several tests may start at once: one of them makes the prefix, the others wait for it.
# Without Mono and Gecko, which a fresh prefix would otherwise offer to download.
mkdir -p "$(dirname "$prefix")"
flock "$prefix.lock" bash -c '[ -f "$WINEPREFIX/system.reg" ] ||
    WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i >/dev/null 2>&1'

# Windows paths, ';' between them; Z: is the Unix root.
gcc_runtime=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)")
paths=("$gcc_runtime" /usr/x86_64-w64-mingw32/lib)
[ -z "$qt" ] || paths=("$(realpath "$qt")/bin" "${paths[@]}")
WINEPATH=$(printf 'Z:%s;' "${paths[@]}")
export WINEPATH=${WINEPATH%;}
exec wine "$@"
