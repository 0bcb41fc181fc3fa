#!/usr/bin/env bash
# Checks that everything but the POSIX-only library builds where there is no POSIX:
#  1. the utility and vantelctl built with -DVANTEL_POSIX=OFF (into build-portable/), so no
#     portable source reaches for the signal watcher or the pseudo-terminal opener;
#  2. every portable source compiled (syntax only) by the Windows cross compiler against
#     Debian's Qt headers, which then take their Windows branches, as do ours (Q_OS_WIN).
#     Nothing is linked: Debian has no Qt built for Windows. Warnings are left to the native
#     build (-w): Debian's Qt headers, read as Windows ones, warn about their own exports.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${VANTEL_PORTABLE_BUILD_DIR:-$root/build-portable}
VANTEL_EXTRA_PACKAGES="g++-mingw-w64-x86-64-posix" VANTEL_BUILD_DIR="$build" \
    VANTEL_CMAKE_ARGS="-DVANTEL_POSIX=OFF -DBUILD_TESTING=OFF -DVANTEL_PACKAGING=OFF ${VANTEL_CMAKE_ARGS:-}" \
    "$root/scripts/setup.sh"
if [ -d "$build/src/posix" ]; then
    echo "$build was configured with the POSIX library; remove it and run again" >&2
    exit 1
fi

qt=$(qmake6 -query QT_INSTALL_HEADERS)
flags=(-std=c++20 -fsyntax-only -w -DVANTEL_VERSION=\"0\" -DQT_CORE_LIB -DQT_WIDGETS_LIB
       -DQT_GUI_LIB -DQT_SERIALPORT_LIB -I"$qt" -I"$qt/QtCore" -I"$qt/QtGui" -I"$qt/QtWidgets"
       -I"$qt/QtSerialPort" -I"$qt/QtNetwork" -DQT_NETWORK_LIB -I"$root/src" -I"$root/tools/vantelctl")
# moc's output for each library.
while IFS= read -r dir; do flags+=(-I"$dir"); done \
    < <(find "$build" -type d -path '*_autogen/include' | sort)

cd "$root"
mapfile -t sources < <(git ls-files -- 'src/*.cpp' 'tools/vantelctl/*.cpp' | grep -v '^src/posix/')
echo "== ${#sources[@]} portable sources through x86_64-w64-mingw32-g++-posix"
# xargs fails when any compile does; the compiler names the file and line.
printf '%s\0' "${sources[@]}" | xargs -0 -P"$(nproc)" -n1 x86_64-w64-mingw32-g++-posix "${flags[@]}"
echo "every portable source compiles for Windows"
