#!/usr/bin/env bash
# The player on a native Wayland compositor: a private headless weston (its own runtime
# folder and socket, ended with the script). The window test runs on it; then the program
# starts with a track, paints (a screenshot of a plain background must show more than that
# colour), plays (playerctl on a private session bus), and ends cleanly on SIGTERM without
# a line on its terminal.
# Usage: wayland_test.sh <telbo> <make_tagged_mp3> <test_wayland_window>. Exit 77 skips.
set -euo pipefail
telbo_bin=$1
make_mp3=$2
window_test=$3
for tool in weston weston-screenshooter identify dbus-daemon playerctl setpriv qt6-wayland; do
    # Qt's Wayland platform is a plugin, not a command.
    [[ $tool == qt6-wayland ]] && compgen -G "/usr/lib/*/qt6/plugins/platforms/libqwayland-generic.so" >/dev/null && continue
    command -v "$tool" >/dev/null && continue
    # A developer's machine may lack them; CI must not pass without them.
    [[ ${CI:-} == true ]] && { echo "FAIL: $tool is not installed"; exit 1; }
    echo "SKIP: $tool is not installed"; exit 77
done

work=$(mktemp -d)
weston_pid=
bus_pid=
player_pid=
stop() { # pid: ends the process and waits for it
    [[ -n $1 ]] || return 0
    kill "$1" 2>/dev/null || true
    wait "$1" 2>/dev/null || true
}
cleanup() {
    stop "$player_pid"
    stop "$bus_pid"
    stop "$weston_pid"
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*"
    tail -n 30 "$work/weston.log" "$work/player.log" 2>/dev/null
    exit 1
}
# Whatever starts here ends with the script, even when it is killed and cannot clean up.
with_script=(setpriv --pdeathsig KILL)

export XDG_RUNTIME_DIR=$work/runtime
export XDG_CACHE_HOME=$work/cache XDG_CONFIG_HOME=$work/config
mkdir -m 700 "$XDG_RUNTIME_DIR"
unset DISPLAY QT_WAYLAND_CLIENT_BUFFER_INTEGRATION
export WAYLAND_DISPLAY=telbo-test QT_QPA_PLATFORM=wayland TELBO_NULL_AUDIO=1
export DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent/telbo-test-bus

# A plain background and no panel: before the player, the screen is one colour.
printf '%s\n' "[core]" "idle-time=0" "[shell]" "background-color=0xff204060" \
    "panel-position=none" "locking=false" >"$work/weston.ini"
"${with_script[@]}" weston --backend=headless-backend.so --use-pixman --width=1024 --height=768 \
    --socket="$WAYLAND_DISPLAY" --config="$work/weston.ini" --debug >"$work/weston.log" 2>&1 &
weston_pid=$!

mkdir "$work/shots"
# screenshot NAME: the whole screen as $work/NAME.png
screenshot() {
    rm -f "$work/shots/"*.png
    (cd "$work/shots" && weston-screenshooter >/dev/null 2>&1) || return 1
    mv "$work/shots/"*.png "$work/$1.png" 2>/dev/null
}
colours() { identify -format '%k' "$1"; }
ready=
for _ in $(seq 100); do
    # The shell draws its background after the socket appears: wait for the plain screen.
    if [[ -S $XDG_RUNTIME_DIR/$WAYLAND_DISPLAY ]] && screenshot before && [[ $(colours "$work/before.png") == 1 ]]; then
        ready=1
        break
    fi
    kill -0 "$weston_pid" 2>/dev/null || fail "weston ended"
    sleep 0.1
done
[[ -n $ready ]] || fail "weston showed no plain screen"

"$window_test" || fail "the window test on Wayland"

"${with_script[@]}" dbus-daemon --session --nofork --print-address=1 >"$work/bus-address" 2>"$work/bus.log" &
bus_pid=$!
for _ in $(seq 50); do
    [[ -s $work/bus-address ]] && break
    sleep 0.1
done
DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$work/bus-address")
[[ -n $DBUS_SESSION_BUS_ADDRESS ]] || fail "dbus-daemon printed no address"
export DBUS_SESSION_BUS_ADDRESS

cp "$telbo_bin" "$work/telbo" # its config.ini stays in the test's folder
cp "$(dirname "$telbo_bin")/telbo-engine.so" "$work/" # loaded from beside the program
"$make_mp3" "$work" one.mp3 30 "First Light" "Ann Example" "Test Album" >/dev/null
# Saved settings with an empty list: the track from the command line joins it, and the saved
# list at the end shows that the shut-down ran to its end.
printf '%s\r\n' "[player]" "Telbo Ver.1.00" "2000/10/15" "" "[Setting]" "FormX= 1500" \
    "FormY= 1500" "LockFlag= False" "MinFlag= False" "FormSmallWidth= 5475" "ConfigSave= True" \
    "PlayTypeFlag= 0" "NextTypeFlag= 2" "TagShowFlag= 0" "ScrollFlag= True" "AutoPlay= False" \
    "DownListFlag= False" "DownConfigFlag= False" "Volume= 80" "ScrollSpeed= -100" \
    "PlaySpeed= 100" "SamplingRate= 0" "StereoConf= 0" "ScrollTitle= %2 - %1 [%0]" \
    "LastDir= $work" "KO= 0" "ListKO= 0" "PlayPoint= 0" "ListPoint= 0" "" "[List]" "" \
    "[Title]" >"$work/config.ini"
"${with_script[@]}" "$work/telbo" "$work/one.mp3" >"$work/player.log" 2>&1 &
player_pid=$!

# expect TEXT COMMAND...: waits up to 10 s for the command to print TEXT.
expect() {
    local want=$1 got=
    shift
    for _ in $(seq 100); do
        got=$("$@" 2>/dev/null || true)
        [[ $got == "$want" ]] && { echo "ok: $* -> $got"; return 0; }
        sleep 0.1
    done
    fail "'$*' printed '$got', expected '$want'"
}
expect "Playing" playerctl -p telbo status
# Heard time goes on: at least a second in.
expect "yes" bash -c '(( $(playerctl -p telbo position | cut -d. -f1) >= 1 )) && echo yes'

painted=
for _ in $(seq 50); do
    if screenshot after && [[ $(colours "$work/after.png") -gt 1 ]]; then
        painted=1
        break
    fi
    sleep 0.1
done
[[ -n $painted ]] || fail "the player's window did not reach the screen"
echo "ok: painted, $(colours "$work/after.png") colours on screen"
[[ -n ${TELBO_KEEP_SCREENSHOT:-} ]] && cp "$work/after.png" "$TELBO_KEEP_SCREENSHOT"

kill -TERM "$player_pid"
wait "$player_pid" || fail "the player did not end cleanly"
player_pid=
# Nothing but the line that names the sound output: no warning from Qt's Wayland client.
if grep -v '^telbo: sound output: ' "$work/player.log" >"$work/printed"; then
    fail "the player printed: $(cat "$work/printed")"
fi
grep -q "^\[000\] $work/one.mp3"$'\r'"\$" "$work/config.ini" ||
    fail "the player's list was not saved: $(cat "$work/config.ini")"
echo "PASS"
