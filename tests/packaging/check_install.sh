#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what lands where and how the
# installed program shows itself on an X display, then builds the Debian package and checks
# its contents, computed dependencies and the hardening of its programs.
# Usage: check_install.sh <build dir>
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build" --prefix "$prefix" > /dev/null
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
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
    lib/$multiarch/lcdproc/vantel.so
    share/doc/vantelapp/examples/LCDd.vantel.conf
    bin/vantel-mqtt
    share/man/man1/vantel-mqtt.1.gz
    share/doc/vantelapp/examples/vantel-mqtt.conf
    lib/systemd/system/vantel-mqtt.service
)
for f in "${expect[@]}"; do
    [ -e "$prefix/$f" ] || { echo "missing after install: $f"; exit 1; }
done
desktop-file-validate "$prefix/share/applications/org.vantelapp.VantelApp.desktop"
grep -q '^Exec=vantelapp$' "$prefix/share/applications/org.vantelapp.VantelApp.desktop"

# AppStream: clean but for the capitals the id shares with the desktop entry. Each screenshot
# is the picture of the same name in docs/screenshots/, published under the homepage.
metainfo=$prefix/share/metainfo/org.vantelapp.VantelApp.metainfo.xml
report=$(appstreamcli validate --pedantic --no-net "$metainfo") || { echo "$report"; exit 1; }
! grep -E '^[EWIP]: ' <<< "$report" | grep -v cid-contains-uppercase-letter || exit 1
homepage=$(sed -n 's|.*<url type="homepage">\(.*\)</url>.*|\1|p' "$metainfo")
grep -q '<image' "$metainfo" || { echo "no screenshot"; exit 1; }
for url in $(sed -n 's|.*<image[^>]*>\(.*\)</image>.*|\1|p' "$metainfo"); do
    picture=$(dirname "$0")/../../docs/screenshots/${url#"${homepage}screenshots/"}
    file "$picture" | grep -q 'PNG image' || { echo "screenshot $url is not $picture"; exit 1; }
done

# On an X display of its own the installed program shows the installed theme's icon (every
# installed size, 48x48 among them) or, without an icon theme, its built-in one (the sizes Qt
# draws a scalable icon at: 16 to 128); its window class is the entry's StartupWMClass.
home=$(mktemp -d)
Xvfb -displayfd 3 -nolisten tcp 3> "$home/display" 2> /dev/null & xvfb=$!
trap 'kill $xvfb; rm -rf "$prefix" "$home"' EXIT
for _ in $(seq 100); do [ -s "$home/display" ] && break; sleep 0.1; done
export DISPLAY=:$(cat "$home/display")
shown_window() { # <XDG_DATA_DIRS>: prints the window's class and icon sizes, then closes it
    HOME=$home XDG_CONFIG_HOME=$home/.config XDG_DATA_DIRS=$1 QT_QPA_PLATFORM=xcb \
        VANTEL_REPORT_SHOWN=1 timeout 30 "$prefix/bin/vantelapp" > "$home/shown" 2> /dev/null &
    local pid=$!
    for _ in $(seq 300); do grep -qs '^shown' "$home/shown" && break; sleep 0.1; done
    xprop -len 100000000 -name "Vantel 20x4 Characters RS232 LCD Dsiplay" WM_CLASS _NET_WM_ICON |
        grep -Eo '^WM_CLASS.*|Icon \([0-9]+ x [0-9]+\)' || true
    kill -TERM $pid
    wait $pid || true
}
themed=$(shown_window "$prefix/share:/usr/share")
built_in=$(shown_window "$home/no-icon-theme")
wm_class=$(sed -n 's/^StartupWMClass=//p' "$prefix/share/applications/org.vantelapp.VantelApp.desktop")
grep -q "^WM_CLASS.*, \"$wm_class\"$" <<< "$themed" && grep -q 'Icon (48 x 48)' <<< "$themed" ||
    { echo "not the installed icon or class: $themed"; exit 1; }
grep -q 'Icon (64 x 64)' <<< "$built_in" && ! grep -q 'Icon (48 x 48)' <<< "$built_in" ||
    { echo "not the built-in icon: $built_in"; exit 1; }

# The installed executable keeps its settings in the per-user folder, not beside itself.
[ -f "$home/.config/vantelapp/vantel.ini" ] || { echo "no per-user settings file"; exit 1; }
[ ! -e "$prefix/bin/vantel.ini" ] || { echo "settings written beside the installed program"; exit 1; }

# The command-line tool runs from the prefix without a display.
"$prefix/bin/vantelctl" --dry-run goto 0 19 | grep -q '^FE 32 00 13 ' ||
    { echo "installed vantelctl does not run"; exit 1; }
# So does the MQTT bridge, and the example configuration is one it reads.
"$prefix/bin/vantel-mqtt" --config "$prefix/share/doc/vantelapp/examples/vantel-mqtt.conf" \
    --version | grep -q '^vantel-mqtt ' || { echo "installed vantel-mqtt does not run"; exit 1; }

(cd "$build" && cpack -G DEB > /dev/null)
deb=$(ls "$build"/vantelapp_*.deb | head -n 1)
contents=$(dpkg-deb -c "$deb")
for f in ./usr/bin/vantelapp ./usr/share/applications/org.vantelapp.VantelApp.desktop \
         ./usr/share/doc/vantelapp/copyright; do
    grep -q " $f\$" <<< "$contents" || { echo "package lacks $f"; exit 1; }
done
grep -q " ./usr/bin/vantelctl\$" <<< "$contents" || { echo "package lacks vantelctl"; exit 1; }
# The LCDd driver where Debian's LCDd loads drivers from; LCDd itself only suggested.
grep -q " ./usr/lib/$multiarch/lcdproc/vantel.so\$" <<< "$contents" ||
    { echo "package lacks the LCDd driver"; exit 1; }
[ "$(dpkg-deb -f "$deb" Suggests)" = "lcdproc, mosquitto" ] ||
    { echo "package does not suggest lcdproc and mosquitto"; exit 1; }
# The bridge's unit, and the maintainer scripts that make the system user it runs as.
grep -q " ./usr/lib/systemd/system/vantel-mqtt.service\$" <<< "$contents" ||
    { echo "package lacks vantel-mqtt.service"; exit 1; }
dpkg-deb --ctrl-tarfile "$deb" | tar -t | grep -qx './postinst' ||
    { echo "package lacks its postinst"; exit 1; }
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6core6 libqt6widgets6 libqt6serialport6 libmosquitto1 libc6; do
    grep -q "$lib" <<< "$depends" || { echo "package does not depend on $lib: $depends"; exit 1; }
done
[ "$(dpkg-deb -f "$deb" Homepage)" = "$homepage" ] || { echo "two homepages"; exit 1; }

# Every packaged program is hardened as Debian checks it: position-independent, relocations
# read-only and bound at start, stack protector, fortified libc calls, no .comment section.
dpkg-deb -x "$deb" "$prefix/deb"
for program in "$prefix"/deb/usr/bin/*; do
    elf=$(readelf -hlSdW --dyn-syms "$program")
    for mark in 'Type: +DYN' GNU_RELRO '\(FLAGS\) +BIND_NOW' ' __stack_chk_fail@' ' __[a-z]+_chk@'; do
        grep -Eq "$mark" <<< "$elf" || { echo "${program##*/} lacks $mark"; exit 1; }
    done
    ! grep -q '\.comment' <<< "$elf" || { echo "${program##*/} keeps .comment"; exit 1; }
done
driver=$prefix/deb/usr/lib/$multiarch/lcdproc/vantel.so
elf=$(readelf -hlSdW --dyn-syms "$driver")
for mark in GNU_RELRO '\(FLAGS\) +BIND_NOW' ' __stack_chk_fail@'; do
    grep -Eq "$mark" <<< "$elf" || { echo "vantel.so lacks $mark"; exit 1; }
done
! grep -q '\.comment' <<< "$elf" || { echo "vantel.so keeps .comment"; exit 1; }
echo "install and package look right"
