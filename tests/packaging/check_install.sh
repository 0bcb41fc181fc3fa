#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what lands where, then builds the
# Debian package and checks its contents and computed dependencies.
# Usage: check_install.sh <build dir>
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build" --prefix "$prefix" > /dev/null
expect=(
    bin/vantelapp
    share/applications/org.vantelapp.VantelApp.desktop
    share/metainfo/org.vantelapp.VantelApp.metainfo.xml
    share/icons/hicolor/scalable/apps/org.vantelapp.VantelApp.svg
    share/icons/hicolor/48x48/apps/org.vantelapp.VantelApp.png
    share/icons/hicolor/256x256/apps/org.vantelapp.VantelApp.png
    share/man/man1/vantelapp.1.gz
    share/doc/vantelapp/copyright
    share/doc/vantelapp/changelog.gz
    bin/vantelctl
    share/man/man1/vantelctl.1.gz
    share/bash-completion/completions/vantelctl
)
for f in "${expect[@]}"; do
    [ -e "$prefix/$f" ] || { echo "missing after install: $f"; exit 1; }
done
desktop-file-validate "$prefix/share/applications/org.vantelapp.VantelApp.desktop"
grep -q '^Exec=vantelapp$' "$prefix/share/applications/org.vantelapp.VantelApp.desktop"

# The installed executable keeps its settings in the per-user folder, not beside itself.
home=$(mktemp -d)
trap 'rm -rf "$prefix" "$home"' EXIT
HOME=$home XDG_CONFIG_HOME=$home/.config QT_QPA_PLATFORM=offscreen timeout 20 \
    "$prefix/bin/vantelapp" & pid=$!
sleep 2
kill -TERM $pid
wait $pid || true
[ -f "$home/.config/vantelapp/vantel.ini" ] || { echo "no per-user settings file"; exit 1; }
[ ! -e "$prefix/bin/vantel.ini" ] || { echo "settings written beside the installed program"; exit 1; }

# The command-line tool runs from the prefix without a display.
"$prefix/bin/vantelctl" --dry-run goto 0 19 | grep -q '^FE 32 00 13 ' ||
    { echo "installed vantelctl does not run"; exit 1; }

(cd "$build" && cpack -G DEB > /dev/null)
deb=$(ls "$build"/vantelapp_*.deb | head -n 1)
contents=$(dpkg-deb -c "$deb")
for f in ./usr/bin/vantelapp ./usr/share/applications/org.vantelapp.VantelApp.desktop \
         ./usr/share/doc/vantelapp/copyright; do
    grep -q " $f\$" <<< "$contents" || { echo "package lacks $f"; exit 1; }
done
grep -q " ./usr/bin/vantelctl\$" <<< "$contents" || { echo "package lacks vantelctl"; exit 1; }
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6core6 libqt6widgets6 libqt6serialport6 libc6; do
    grep -q "$lib" <<< "$depends" || { echo "package does not depend on $lib: $depends"; exit 1; }
done
echo "install and package look right"
