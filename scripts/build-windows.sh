#!/usr/bin/env bash
# Cross-builds the Windows programs on Debian and packs them (into build-windows/, or
# $VANTEL_WINDOWS_BUILD_DIR):
#
#   vantelapp.exe, vantelctl.exe and the core's tests   src/app/, tests/
#   VantelApp-VERSION-windows-x64/ and its .zip          the portable copy: the programs, the
#                                                        DLLs and Qt plugins they load
#   VantelApp-VERSION-setup.exe                          the installer (NSIS)
#
# It needs a Qt for Windows built for MinGW-w64: $VANTEL_QT_WINDOWS, else
# ../shared/qt6-windows beside this checkout. Warnings are errors, as in every build.
# scripts/test-windows.sh runs the tests and the programs under Wine.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${VANTEL_WINDOWS_BUILD_DIR:-$root/build-windows}
qt=$("$root/scripts/find-qt-windows.sh")

# The host's Qt gives the tools that run during the build (moc, rcc, uic) and draws the icon.
"$root/scripts/install-packages.sh" g++-mingw-w64-x86-64-posix wine wine64 nsis cmake \
    ninja-build g++ qt6-base-dev qt6-base-dev-tools qt6-serialport-dev gcc-mingw-w64-base \
    mingw-w64-common

# GCC 12 warns falsely (-Wrestrict) inside std::string at -O3, the Release default: -O2, as
# Debian builds.
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" -DVANTEL_QT_WINDOWS="$qt" \
    "-DCMAKE_CROSSCOMPILING_EMULATOR=$root/scripts/wine-run.sh;--qt;$qt;--prefix;$build/wine" \
    -DCMAKE_COMPILE_WARNING_AS_ERROR=ON ${VANTEL_CMAKE_ARGS:-} >/dev/null
cmake --build "$build" -j"$(nproc)"

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
name=VantelApp-$version-windows-x64
stage=$build/$name
rm -rf "$stage"
mkdir -p "$stage/platforms" "$stage/styles"
# Every file goes in stripped: Debian's MinGW runtime carries its debugging symbols
# (libstdc++ alone 23 MB).
take() { x86_64-w64-mingw32-strip --strip-unneeded -o "$2" "$1"; }
for program in vantelapp vantelctl; do
    take "$build/src/app/$program.exe" "$stage/$program.exe"
done
# The plugins Qt loads at run time (nothing imports them): the window's platform and the
# Windows style. Qt looks for them beside the programs.
take "$qt/plugins/platforms/qwindows.dll" "$stage/platforms/qwindows.dll"
take "$qt/plugins/styles/qwindowsvistastyle.dll" "$stage/styles/qwindowsvistastyle.dll"
sed 's/$/\r/' "$root/packaging/copyright" >"$stage/LICENSE.txt"
# The licences and notices of what the copy carries besides our own code: Qt, built from
# Debian's sources, and the MinGW runtime, each as its Debian package states them.
mkdir -p "$stage/licenses"
for pair in libqt6core6:Qt libqt6serialport6:Qt-SerialPort gcc-mingw-w64-base:GCC-runtime \
            mingw-w64-common:MinGW-w64-runtime; do
    sed 's/$/\r/' "/usr/share/doc/${pair%%:*}/copyright" >"$stage/licenses/${pair#*:}.txt"
done

# Every DLL the programs and plugins import, and what those import in turn, from where the
# build found it: the Qt for Windows, the MinGW runtime. A DLL found in none of those is
# one of Windows' own (KERNEL32.dll, USER32.dll, ...).
gcc_runtime=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)")
dll_folders=("$qt/bin" "$gcc_runtime" /usr/x86_64-w64-mingw32/lib)
declare -A seen=()
bundled=()
from_windows=()
queue=("$stage"/*.exe "$stage"/platforms/*.dll "$stage"/styles/*.dll)
while [ ${#queue[@]} -gt 0 ]; do
    file=${queue[0]}
    queue=("${queue[@]:1}")
    while read -r dll; do
        key=${dll,,}
        [ -z "${seen[$key]:-}" ] || continue
        seen[$key]=1
        found=$(find "${dll_folders[@]}" -maxdepth 1 -iname "$dll" -print -quit 2>/dev/null)
        if [ -z "$found" ]; then
            from_windows+=("$dll")
            continue
        fi
        take "$found" "$stage/$(basename "$found")"
        bundled+=("$(basename "$found")")
        queue+=("$stage/$(basename "$found")")
    done < <(x86_64-w64-mingw32-objdump -p "$file" | sed -n 's/^[[:space:]]*DLL Name: //p')
done
echo "bundled: ${bundled[*]}"
echo "from Windows: ${from_windows[*]}"

zip=$build/$name.zip
rm -f "$zip"
(cd "$build" && cmake -E tar cf "$zip" --format=zip "$name")

# The installer lists the stage's files one by one, so the uninstaller removes exactly those.
files=$build/installer-files.nsh
unfiles=$build/uninstaller-files.nsh
: >"$files"
: >"$unfiles"
while IFS= read -r folder; do
    windows=${folder//\//\\}
    echo "SetOutPath \"\$INSTDIR${windows:+\\$windows}\"" >>"$files"
    for file in "$stage/${folder:-.}"/*; do
        [ -f "$file" ] || continue
        echo "File \"$file\"" >>"$files"
        echo "Delete \"\$INSTDIR\\${windows:+$windows\\}$(basename "$file")\"" >>"$unfiles"
    done
    [ -z "$folder" ] || echo "RMDir \"\$INSTDIR\\$windows\"" >>"$unfiles"
done < <(cd "$stage" && find . -type d | sed 's|^\./\?||' | sort)
setup=$build/VantelApp-$version-setup.exe
makensis -V2 -DVERSION="$version" -DSTAGE="$stage" -DICON="$build/packaging/windows/vantelapp.ico" \
    -DOUTFILE="$setup" -DFILES="$files" -DUNFILES="$unfiles" "$root/packaging/windows/installer.nsi"
echo "Wrote $zip"
echo "Wrote $setup"
