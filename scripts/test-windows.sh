#!/usr/bin/env bash
# Checks the Windows build (scripts/build-windows.sh) under Wine, in a fresh Wine prefix in
# the build folder, with the virtual module of the Linux build (build/, built if missing)
# playing the module and the Linux vantelctl's dry run as the reference for its bytes:
#
#  1. the core's tests, built for Windows, through CTest;
#  2. vantelctl.exe from the portable zip, unpacked into a folder of its own (so the zip's
#     DLLs are all it has), on COM5 mapped to the module's pseudo-terminal: the frames
#     arrive exact and at the speed asked, those of every command that needs no answer as
#     the Linux build sends them; read-analog prints the module's reading through
#     socket:// (Wine 8 delivers no received bytes on a COM port that is a pseudo-terminal,
#     so replies are checked over the network); Ctrl+C ends a listen and frees the port;
#  3. vantelapp.exe from the same folder on Xvfb, driven by its keyboard: on COM5 Connect
#     opens the port at the speed chosen and a page button's frame reaches the module; on
#     socket:// the module's reply shows in the receive monitor; closing the window writes
#     vantel.ini beside the executable, and the next start reads it;
#  4. the installer: a silent install, the Start-menu entry and the Apps & Features entry,
#     the installed programs (settings in the user's application-data folder), a silent
#     uninstall that leaves nothing behind.
# Each check prints one line; the first that fails ends the run with status 1.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${VANTEL_WINDOWS_BUILD_DIR:-$root/build-windows}
linux_build=${VANTEL_BUILD_DIR:-$root/build}
"$root/scripts/install-packages.sh" wine wine64 xvfb xdotool imagemagick

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt" 2>/dev/null || true)
zip=$build/VantelApp-$version-windows-x64.zip
setup=$build/VantelApp-$version-setup.exe
if [ -z "$version" ] || [ ! -f "$zip" ] || [ ! -f "$setup" ]; then
    echo "no Windows build in $build: run scripts/build-windows.sh first" >&2
    exit 1
fi
sim=$linux_build/tools/vantel-sim/vantel-sim
if [ ! -x "$sim" ] || [ ! -x "$linux_build/src/app/vantelctl" ]; then
    "$root/scripts/install-packages.sh" qt6-base-dev qt6-serialport-dev cmake g++ make
    [ -f "$linux_build/CMakeCache.txt" ] ||
        cmake -S "$root" -B "$linux_build" -DCMAKE_BUILD_TYPE=RelWithDebInfo ${VANTEL_CMAKE_ARGS:-} >/dev/null
    cmake --build "$linux_build" --target vantel-sim vantelctl -j"$(nproc)" >/dev/null
fi

work=$build/wine-check
rm -rf "$work" "$build/wine"
mkdir -p "$work"
export WINEPREFIX=$build/wine WINEDEBUG=-all
unset WINEPATH # the portable and installed copies must find every DLL they need themselves

pids=()
finish() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wineserver -k 2>/dev/null || true
}
trap finish EXIT

# A program under Wine that does not end within two minutes has hung: it fails the check.
run() { timeout 120 wine "$@"; }
pass() { echo "ok: $*"; }
fail() {
    echo "FAILED: $*" >&2
    exit 1
}
# wait_for SECONDS COMMAND...: true once the command succeeds, false when time runs out.
wait_for() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        [ $SECONDS -lt $deadline ] || return 1
        sleep 0.2
    done
}

# A display from the start: Wine's desktop belongs to the session its first program opens.
Xvfb -displayfd 3 -screen 0 1280x1024x24 3>"$work/display" >/dev/null 2>&1 &
pids+=($!)
wait_for 20 test -s "$work/display" || fail "Xvfb did not start"
export DISPLAY=:$(head -1 "$work/display")

echo "== a fresh Wine prefix"
WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i >/dev/null 2>&1

echo "== the core's tests as Windows programs"
ctest --test-dir "$build" -j"$(nproc)" --output-on-failure

echo "== the portable zip, unpacked into an empty folder"
mkdir -p "$work/portable"
(cd "$work/portable" && cmake -E tar xf "$zip")
portable=$work/portable/VantelApp-$version-windows-x64
ctl=$portable/vantelctl.exe
app=$portable/vantelapp.exe
[ "$(run "$ctl" --version)" = "vantelctl $version" ] || fail "vantelctl.exe --version"
[ "$(run "$app" --version)" = "vantelapp $version" ] || fail "vantelapp.exe --version"
pass "both programs answer --version from the unpacked zip alone"

# The module on a pseudo-terminal, which Wine opens as COM5, and on a TCP port.
module_log=$work/module.log
"$sim" --no-ui --link "$work/module" --listen 127.0.0.1:0 --analog1 517 </dev/null >"$module_log" 2>&1 &
pids+=($!)
wait_for 20 grep -q "listening on" "$module_log" || fail "the virtual module did not start"
pty=$(readlink -f "$work/module")
socket=$(sed -n 's/^.*listening on .*: \(socket:\/\/.*\)$/\1/p' "$module_log")
wine reg add 'HKLM\Software\Wine\Ports' /v COM5 /d "$pty" /f >/dev/null
wineserver -k # Wine makes its COM ports from that key when it next starts
wineserver -w
echo "module: $pty as COM5, $socket"

speed_is() { [ "$(stty -F "$pty" speed 2>/dev/null)" = "$1" ]; }
mark() { wc -l <"$module_log"; }
# The frames the module logged after line $1, as hex ("FE 32 02 03"); one of more than
# eight bytes by its first eight and its length ("FE 64 00 00 00 00 00 00 ... (66 bytes)").
frames_after() {
    tail -n +$(($1 + 1)) "$module_log" |
        sed -n 's/^\([0-9A-F]\{2\}\( [0-9A-F]\{2\}\)*\)\( \.\.\. ([0-9]* bytes)\)\?  .*$/\1\3/p'
}
frames_are() { [ "$(frames_after "$1" | paste -sd,)" = "$2" ]; }
logged_after() { tail -n +$(($1 + 1)) "$module_log" | grep -q "$2"; }

echo "== vantelctl.exe"
stty -F "$pty" 38400 # so that the speed seen is the one the program set
from=$(mark)
run "$ctl" --port COM5 --speed 19200 clear -- text Win -- goto 2 3 -- wait 3000 &
ctl_pid=$!
wait_for 30 speed_is 19200 || fail "COM5 was not set to 19200 bit/s while open (saw $(stty -F "$pty" speed))"
wait "$ctl_pid" || fail "vantelctl.exe --port COM5 ended with status $?"
wait_for 10 frames_are "$from" "0D,57,69,6E,FE 32 02 03" ||
    fail "the module got $(frames_after "$from" | paste -sd,), not 0D,57,69,6E,FE 32 02 03"
pass "COM5 at 19200 bit/s: 0D | 57 69 6E | FE 32 02 03, as sent"
# Every command that needs no answer, once, against what the Linux build sends for it. That
# vantelctl sits in a folder of its own, so that no settings file lends it glyphs.
mkdir -p "$work/linux"
cp "$linux_build/src/app/vantelctl" "$work/linux/"
cat >"$work/every-command.vtl" <<'EOF'
clear
home
text "Wine é"
next-line
backspace
char 3
goto 3 19
cursor hidden
cursor underline
cursor blinking
cursor left
cursor right
clear-row 2
clear-column 7
backlight on
backlight off
backlight level 128
glyph 2 0b10001 0 0 0 0 0 0 31
load-glyphs
hbar init
hbar left 50
hbar right 7
vbar init
vbar 4 20
bignum init
bignum 1234
message 1 20
gpio-mode keypad
gpio-mode gpio
pin-directions 0x81
raw FE 01
EOF
# The dry run's frames, one a line, in the module log's form.
logged_form() {
    sed 's/ *#.*//' | awk 'NF > 8 { printf "%s %s %s %s %s %s %s %s ... (%d bytes)\n", $1, $2, $3, $4, $5, $6, $7, $8, NF; next } NF'
}
expected=$("$work/linux/vantelctl" --dry-run play "$work/every-command.vtl" | logged_form | paste -sd' ')
from=$(mark)
run "$ctl" --port COM5 play "$(winepath -w "$work/every-command.vtl")" ||
    fail "vantelctl.exe play ended with status $?"
received() { frames_after "$from" | paste -sd' '; }
wait_for 20 eval '[ "$(received)" = "$expected" ]' ||
    fail "every command: the module got $(received), not $expected"
pass "every command that needs no answer arrives as the Linux build sends it"
reading=$(run "$ctl" --port "$socket" read-analog 1)
[ "$reading" = 517 ] || fail "read-analog 1 over $socket printed '$reading', not 517"
pass "read-analog 1 over $socket prints the module's 517"
from=$(mark)
wine "$ctl" --port "$socket" listen >"$work/listen.out" &
ctl_pid=$!
wait_for 30 logged_after "$from" "connected" || fail "vantelctl.exe listen did not connect"
kill -INT "$ctl_pid"
status=0
wait "$ctl_pid" || status=$?
[ "$status" -eq 0 ] || fail "Ctrl+C ended the listen with status $status, not 0"
wait_for 10 logged_after "$from" "went" || fail "the listen's connection stayed after Ctrl+C"
[ "$(run "$ctl" --port "$socket" read-analog 1)" = 517 ] || fail "the port was not free after Ctrl+C"
pass "Ctrl+C ends a listen with status 0 and frees the port for the next program"

echo "== vantelapp.exe on Xvfb"
window=
# start_window: the window up, and the keyboard's focus in it. Without a window manager it
# shows unframed where it is placed; a click on its background gives it the keyboard.
start_window() {
    wine "$app" >"$work/app.log" 2>&1 &
    app_pid=$!
    window_up() { window=$(xdotool search --onlyvisible --name "20x4 Characters" 2>/dev/null | head -1) && [ -n "$window" ]; }
    wait_for 60 window_up || fail "no window from vantelapp.exe"
    eval "$(xdotool getwindowgeometry --shell "$window")"
    origin_x=$X origin_y=$Y
    sleep 1 # the first frame, and Wine's focus handling, settle
    xdotool mousemove $((X + 3)) $((Y + 3)) click 1
}
keys() { xdotool key --delay 100 "$@"; }
# Alt+F4, as a user closes it; now and then Wine lets the first one pass unseen.
close_window() {
    local tries=0
    until keys alt+F4 && wait_for 10 eval '! kill -0 "$app_pid" 2>/dev/null'; do
        tries=$((tries + 1))
        [ $tries -lt 3 ] || fail "vantelapp.exe did not close"
    done
    wait "$app_pid" || fail "vantelapp.exe ended with status $?"
}
# The receive monitor, 345 x 19 pixels at (130, 394) in the window (twips / 15 at 96 dpi):
# its darkest pixel, near 0 where text is drawn, near 1 on the empty yellow.
receive_monitor_darkest() {
    import -window root "$1"
    convert "$1" -crop 335x13+$((origin_x + 135))+$((origin_y + 397)) +repage -colorspace Gray \
        -format '%[fx:minima]' info:
}
monitor_shows_text() { awk -v v="$(receive_monitor_darkest "$work/window.png")" 'BEGIN { exit !(v < 0.5) }'; }

# Starts as a first run does: COM1 and 19200 bit/s chosen, the focus on the speed option.
# Left picks 9600, Tab and four Downs COM5, Tab and Space press Connect; Ctrl+Tab turns from
# the first page shown (LCD Settings) to Inputs / Outputs, and Tab, Tab, Space press its
# first button, Read Analog Input 1.
stty -F "$pty" 38400
start_window
from=$(mark)
keys Left Tab Down Down Down Down Tab space
wait_for 30 speed_is 9600 || fail "Connect did not open COM5 at 9600 bit/s (saw $(stty -F "$pty" speed))"
keys ctrl+Tab Tab Tab space
wait_for 20 frames_are "$from" "FE 0B" || fail "the module got $(frames_after "$from" | paste -sd,), not FE 0B"
import -window root "$work/window-com5.png"
close_window
pass "COM5 at 9600 bit/s: Connect, then Read Analog Input 1 reaches the module as FE 0B"
ini=$portable/vantel.ini
ini_has() { tr -d '\r' <"$ini" | grep -qx "$1"; }
ini_has CommPort=5 && ini_has Setting=9600,n,8,1 || fail "closing did not write COM5 and 9600 to $ini"
pass "closing the window writes vantel.ini beside vantelapp.exe (CommPort=5, Setting=9600,n,8,1)"

# COM6 is the module's TCP port. The window starts on COM5 at 9600, as saved: Tab and Down
# pick COM6, then as before.
export VANTEL_COM6=$socket
start_window
from=$(mark)
keys Tab Down Tab space
wait_for 30 logged_after "$from" "connected" || fail "Connect did not reach $socket"
monitor_shows_text && fail "the receive monitor shows bytes before any reply"
keys ctrl+Tab Tab Tab space
wait_for 20 frames_are "$from" "FE 0B" || fail "the module got $(frames_after "$from" | paste -sd,) over $socket"
wait_for 20 monitor_shows_text || fail "the module's reply does not show in the receive monitor"
cp "$work/window.png" "$work/window-socket.png"
close_window
unset VANTEL_COM6
ini_has CommPort=6 || fail "the second start did not read and update $ini"
pass "COM6 = $socket: the module's reply shows in the receive monitor (picture: $work/window-socket.png)"

echo "== the installer"
run "$setup" /S || fail "the silent install ended with status $?"
installed="$WINEPREFIX/drive_c/Program Files/VantelApp"
[ -f "$installed/vantelapp.exe" ] && [ -f "$installed/platforms/qwindows.dll" ] ||
    fail "the silent install put no programs into $installed"
[ "$(run 'C:\Program Files\VantelApp\vantelapp.exe' --version)" = "vantelapp $version" ] ||
    fail "the installed vantelapp.exe --version"
pass "silent install into C:\\Program Files\\VantelApp; the installed vantelapp.exe --version answers"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\VantelApp'
wine reg query "$key" /v UninstallString >/dev/null 2>&1 || fail "no Apps & Features entry ($key)"
shortcut="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/VantelApp.lnk"
[ -f "$shortcut" ] || fail "no Start-menu entry"
pass "listed in Apps & Features, with a Start-menu entry"
# The installed copy keeps its settings in the user's folder, never in Program Files.
user_ini=$(run cmd /c 'echo %LOCALAPPDATA%' | tr -d '\r')\\vantelapp\\vantel.ini
user_ini_unix=$(winepath -u "$user_ini")
mkdir -p "$(dirname "$user_ini_unix")"
printf '[Settings]\r\nCommPort=0\r\n' >"$user_ini_unix"
said=$(run 'C:\Program Files\VantelApp\vantelctl.exe' clear 2>&1 || true)
[[ "$said" == *"vantelapp/vantel.ini names no port"* ]] ||
    fail "the installed vantelctl.exe did not read $user_ini: $said"
pass "the installed programs read their settings from $user_ini"
run "$installed/uninstall.exe" /S || fail "the silent uninstall ended with status $?"
wineserver -w # the uninstaller goes on in a copy of itself
[ ! -e "$installed" ] || fail "the uninstall left $(find "$installed" | head -3 | paste -sd' ')"
! wine reg query "$key" >/dev/null 2>&1 || fail "the uninstall left $key"
[ ! -e "$shortcut" ] || fail "the uninstall left the Start-menu entry"
pass "silent uninstall: no files, no Start-menu entry, no Apps & Features entry left"
echo "every check under Wine passed"
