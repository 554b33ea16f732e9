#!/usr/bin/env bash
# The window's wake-ups while a track plays: the player started under Xvfb on a 3-minute MP3
# (auto-play, null sink), then its context switches counted from /proc over a window of
# seconds, the GUI thread alone and the whole process, with the window shown, folded into
# the strip and minimised, with the title ticker on and off.
#
#   bench/gui_wakeups.sh                 build Release in build-bench, 10 s windows
#   SECONDS_EACH=20 bench/gui_wakeups.sh longer windows
#   OLD=/path/to/telbo bench/gui_wakeups.sh
#                                        also an older build, same states, in turn
#
# Needs xvfb-run, xdotool and lame (scripts/install-deps).
set -euo pipefail
export LC_ALL=C
for tool in xvfb-run xdotool lame; do
    command -v "$tool" >/dev/null || { echo "gui_wakeups.sh: $tool is missing" >&2; exit 1; }
done
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-bench"
each=${SECONDS_EACH:-10}

if [[ "${1:-}" == "--measure" ]]; then
    work=$2
    shift 2
    switches() { # pid tid: voluntary + forced switches so far (of all threads when tid is "all")
        if [[ $2 == all ]]; then
            cat /proc/"$1"/task/*/status 2>/dev/null
        else
            cat /proc/"$1"/task/"$2"/status
        fi | awk '/ctxt_switches/ { n += $2 } END { print n }'
    }
    cpu_ticks() { awk '{ print $14 + $15 }' /proc/"$1"/stat; } # user + system, in clock ticks
    xserver=$(pgrep -n Xvfb)
    for entry in "$@"; do
        name=${entry%%=*} program=${entry#*=}
        for scroll in ${TICKERS:-True False}; do
            for mode in ${MODES:-shown folded minimised}; do
                copy="$work/run-$name"
                rm -rf "$copy" && mkdir -p "$copy"
                cp "$program" "$copy/telbo"
                [[ -f "$(dirname "$program")/telbo-engine.so" ]] && cp "$(dirname "$program")/telbo-engine.so" "$copy/"
                minflag=False
                [[ $mode == folded ]] && minflag=True
                sed -e "s/@SCROLL@/$scroll/; s/@MIN@/$minflag/" "$work/config.template" >"$copy/config.ini"
                "$copy/telbo" >/dev/null 2>&1 &
                pid=$!
                sleep 3
                if [[ $mode == minimised ]]; then
                    # A click on "Min" (the window has no window manager here to ask).
                    wid=$(xdotool search --pid "$pid" --onlyvisible 2>/dev/null | head -n 1 || true)
                    [[ -n $wid ]] && xdotool mousemove --window "$wid" 271 14 click 1
                    sleep 1
                fi
                g0=$(switches "$pid" "$pid") a0=$(switches "$pid" all)
                c0=$(cpu_ticks "$pid") x0=$(cpu_ticks "$xserver")
                sleep "$each"
                g1=$(switches "$pid" "$pid") a1=$(switches "$pid" all)
                c1=$(cpu_ticks "$pid") x1=$(cpu_ticks "$xserver")
                kill "$pid"
                wait "$pid" 2>/dev/null || true
                awk -v n="$name" -v s="$scroll" -v m="$mode" -v g=$((g1 - g0)) -v a=$((a1 - a0)) \
                    -v c=$((c1 - c0)) -v x=$((x1 - x0)) -v hz="$(getconf CLK_TCK)" -v t="$each" \
                    'BEGIN { printf "%-8s %-8s %-10s %12.1f %12.1f %10.2f %10.2f\n", n, s, m, g / t, a / t,
                             c / hz * 60 / t, x / hz * 60 / t }'
            done
        done
    done
    exit 0
fi

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTELBO_BENCH=ON \
    "${launcher[@]}" >/dev/null
cmake --build "$build" --target telbo telbo_engine_module -j2 >/dev/null

work=$(mktemp -d /tmp/telbo-wakeups.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/run" && chmod 700 "$work/run"
head -c $((44100 * 2 * 2 * 180)) /dev/zero | lame --quiet -r -s 44.1 --bitwidth 16 --signed --little-endian -m j -b 128 \
    --tt "A title long enough to scroll along the whole title line" --ta "Telbo" --add-id3v2 \
    - "$work/track.mp3" 2>/dev/null
{
    printf '%s\r\n' "[player]" "Telbo Ver.1.00" "2000/10/15" "" "[Setting]" "FormX= 1500" \
        "FormY= 1500" "LockFlag= False" "MinFlag= @MIN@" "FormSmallWidth= 5475" \
        "ConfigSave= False" "PlayTypeFlag= 0" "NextTypeFlag= 0" "TagShowFlag= 1" \
        "ScrollFlag= @SCROLL@" "AutoPlay= True" "DownListFlag= True" "DownConfigFlag= False" \
        "Volume= 80" "ScrollSpeed= -100" "PlaySpeed= 100" "SamplingRate= 0" "StereoConf= 0" \
        "ScrollTitle= %2 - %1 [%0]" "LastDir= $work" "KO= 1" "ListKO= 0" "PlayPoint= 0" \
        "ListPoint= 0" "" "[List]" "" "[Title]" "[000] $work/track.mp3"
} >"$work/config.template"

programs=("new=$build/telbo")
[[ -n "${OLD:-}" ]] && programs+=("old=$OLD")
echo "Context switches a second while playing (Xvfb, null sink, ${each} s windows)"
printf '%-8s %-8s %-10s %12s %12s %10s %10s\n' build ticker window "GUI thread" "all threads" \
    "CPU s/min" "Xvfb s/min"
export TELBO_NULL_AUDIO=1 XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=xcb
xvfb-run -a -s "-screen 0 1920x1080x24" "$0" --measure "$work" "${programs[@]}"
