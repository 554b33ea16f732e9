#!/usr/bin/env bash
# Start-up benchmark: the time from process start to the first painted main window, and the
# peak memory, for the player starting with a config.ini that holds 101 tracks and 101 list
# files, side by side with a Qt Widgets program that shows one label (the floor), under
# Xvfb, on the offscreen platform and, where weston is installed, on a private headless weston
# (native Wayland), where the player is also measured with Qt's EGL buffer integration forced
# back on ("telbo, EGL"), the figure before the player asked for shared memory, and the floor
# with shared memory too ("floor, shared memory").
#
# Both programs end themselves at their window's first paint (TELBO_EXIT_AFTER_FIRST_PAINT=1,
# src/app/FirstPaintExit.h), so a run's whole wall time is its start-up plus a clean exit.
# The player leaves its event loop without the shut-down, so config.ini stays as generated
# (checked at the end), and plays into the null sink (TELBO_NULL_AUDIO=1).
#
# The same start-ups again with a 512 MiB zero-filled file as the current track (a download
# that was allocated and never written): neither the tag read nor the decoder's open may make
# them slower than 1.2 x the start-up with a normal current track.
#
#   bench/startup.sh            build Release in build-bench, 20 runs of each, print a table
#   RUNS=50 bench/startup.sh    more runs
#   OLD=/path/to/telbo bench/startup.sh
#                               also an older build ("old", same state, interleaved): the
#                               same-run comparison; its engine module is copied if beside it
#
# Needs xvfb-run and lame (scripts/install-deps) and GNU time (Debian package "time"); the
# Wayland rows need weston and qt6-wayland.
set -euo pipefail
export LC_ALL=C
for tool in xvfb-run lame /usr/bin/time; do
    command -v "$tool" >/dev/null || { echo "startup.sh: $tool is missing" >&2; exit 1; }
done

root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-bench"
runs=${RUNS:-20}

# --- inner part: measure in the current display, print one line per program -------------
if [[ "${1:-}" == "--measure" ]]; then
    work=$2 display=$3
    shift 3
    # Interleaved runs, so a busy moment of the machine hits every program alike.
    run_once() { # name program: appends "microseconds maxrss_kib" to $work/$display-$name
        local name=$1 program=$2 t0 t1 rss
        t0=$EPOCHREALTIME
        if ! timeout 30 /usr/bin/time -f %M -o "$work/rss" "$program" >/dev/null 2>"$work/err"; then
            echo "startup.sh: $name did not start and exit cleanly under $display:" >&2
            cat "$work/err" >&2
            exit 1
        fi
        t1=$EPOCHREALTIME
        rss=$(tail -n 1 "$work/rss")
        echo "$(( ${t1/./} - ${t0/./} )) $rss" >>"$work/$display-$name"
    }
    for ((i = 0; i < 2; i++)); do # warm the font and file caches
        for entry in "$@"; do run_once "${entry%%=*}" "${entry#*=}"; done
    done
    for entry in "$@"; do : >"$work/$display-${entry%%=*}"; done
    for ((i = 0; i < runs; i++)); do
        for entry in "$@"; do run_once "${entry%%=*}" "${entry#*=}"; done
    done
    exit 0
fi

# --- build ---------------------------------------------------------------------------------
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTELBO_BENCH=ON \
    "${launcher[@]}" >/dev/null
cmake --build "$build" --target telbo startup_floor -j2 >/dev/null

# --- input: 101 tagged tracks, 101 list files, and a saved state naming them all ------------
work=$(mktemp -d /tmp/telbo-startup.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/music" "$work/lists" "$work/run" "$work/player" "$work/autoplay"
chmod 700 "$work/run"
# Three seconds of silence with ID3v1 and ID3v2 tags: the player reads the current track's tag.
head -c $((44100 * 2 * 2 * 3)) /dev/zero |
    lame --quiet -r -s 44.1 --bitwidth 16 --signed --little-endian -m j -b 128 \
        --tt "Benchmark Song" --ta "Telbo" --tl "Start-up" --ty 2024 --tg Rock --add-id3v2 \
        - "$work/music/track001.mp3" 2>/dev/null
for i in $(seq 2 101); do cp "$work/music/track001.mp3" "$(printf '%s/music/track%03d.mp3' "$work" "$i")"; done
tracks=()
for i in $(seq 1 101); do tracks+=("$(printf '%s/music/track%03d.mp3' "$work" "$i")"); done
for i in $(seq 1 101); do
    printf '%s\r\n' "${tracks[@]}" >"$(printf '%s/lists/list%03d.m3u' "$work" "$i")"
done

truncate -s 512M "$work/music/zeros.mp3"

# The state a user who keeps everything open would leave: lists unfolded, settings panel and
# tag view shown, the title scrolling; the current track in the middle of the list.
write_config() { # file autoplay [current track]
    {
        printf '%s\r\n' "[player]" "Telbo Ver.1.00" "2000/10/15" "" "[Setting]" \
            "FormX= 1500" "FormY= 1500" "LockFlag= False" "MinFlag= False" \
            "FormSmallWidth= 5475" "ConfigSave= True" "PlayTypeFlag= 0" "NextTypeFlag= 2" \
            "TagShowFlag= 1" "ScrollFlag= True" "AutoPlay= $2" "DownListFlag= True" \
            "DownConfigFlag= True" "Volume= 80" "ScrollSpeed= -100" "PlaySpeed= 100" \
            "SamplingRate= 0" "StereoConf= 0" "ScrollTitle= %2 - %1 [%0]" \
            "LastDir= $work/music" "KO= 101" "ListKO= 101" "PlayPoint= 50" "ListPoint= 50" \
            "" "[List]"
        for i in $(seq 0 100); do printf '[%03d] %s/lists/list%03d.m3u\r\n' "$i" "$work" $((i + 1)); done
        printf '%s\r\n' "" "[Title]"
        for i in $(seq 0 100); do
            track=${tracks[$i]}
            [[ $i == 50 && -n "${3:-}" ]] && track=$3
            printf '[%03d] %s\r\n' "$i" "$track"
        done
    } >"$1"
}
# The player keeps config.ini beside its binary when that folder is writable: one copy each.
mkdir -p "$work/zeros" "$work/zeros-autoplay"
# The engine module is loaded from beside the program.
for copy in player autoplay zeros zeros-autoplay; do
    cp "$build/telbo" "$build/telbo-engine.so" "$work/$copy/"
done
write_config "$work/player/config.ini" False
if [[ -n "${OLD:-}" ]]; then
    mkdir -p "$work/old"
    cp "$OLD" "$work/old/telbo"
    [[ -f "$(dirname "$OLD")/telbo-engine.so" ]] && cp "$(dirname "$OLD")/telbo-engine.so" "$work/old/"
    write_config "$work/old/config.ini" False
fi
write_config "$work/autoplay/config.ini" True
write_config "$work/zeros/config.ini" False "$work/music/zeros.mp3"
write_config "$work/zeros-autoplay/config.ini" True "$work/music/zeros.mp3"
# telbo.ini as a user who keeps an equalizer and stops mid-track leaves it: the equalizer is
# restored and the current track resumed (when it is the saved one) at start-up.
for copy in player autoplay zeros zeros-autoplay ${OLD:+old}; do
    printf '%s\n' "[Equalizer]" "Bands=30, 20, 10, 0, 0, 0, 0, 10, 20, 30" "On=true" "Preset=0" \
        "[ReplayGain]" "Mode=Auto" "[Resume]" "Enabled=true" "Paused=false" "Second=1" \
        "Track=\"${tracks[50]}\"" >"$work/$copy/telbo.ini"
done
# Content, inode and time: an atomic rewrite with the same bytes counts as a change too.
fingerprint() { sha256sum "$work"/*/config.ini; stat -c '%i %y' "$work"/*/config.ini; }
before=$(fingerprint)

programs=("floor=$build/bench/startup_floor" "telbo=$work/player/telbo"
          "autoplay=$work/autoplay/telbo" "zeros=$work/zeros/telbo"
          "zeros-autoplay=$work/zeros-autoplay/telbo")
[[ -n "${OLD:-}" ]] && programs+=("old=$work/old/telbo")
export TELBO_EXIT_AFTER_FIRST_PAINT=1 TELBO_NULL_AUDIO=1 XDG_RUNTIME_DIR="$work/run" RUNS="$runs"
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1920x1080x24" \
    "$0" --measure "$work" xvfb "${programs[@]}"
QT_QPA_PLATFORM=offscreen "$0" --measure "$work" offscreen "${programs[@]}"

displays=(xvfb offscreen)
if command -v weston >/dev/null && compgen -G "/usr/lib/*/qt6/plugins/platforms/libqwayland-generic.so" >/dev/null; then
    displays+=(wayland)
    # The player as it was: Qt's EGL client buffers; and the floor with shared-memory buffers
    # like the player's (exec: the wrappers add no process).
    printf '#!/bin/sh\nQT_WAYLAND_CLIENT_BUFFER_INTEGRATION=wayland-egl exec "%s/player/telbo"\n' \
        "$work" >"$work/telbo-egl"
    printf '#!/bin/sh\nQT_WAYLAND_CLIENT_BUFFER_INTEGRATION=none exec "%s"\n' \
        "$build/bench/startup_floor" >"$work/floor-shm"
    chmod +x "$work/telbo-egl" "$work/floor-shm"
    setpriv --pdeathsig KILL weston --backend=headless-backend.so --use-pixman --width=1920 \
        --height=1080 --socket=telbo-bench --idle-time=0 >"$work/weston.log" 2>&1 &
    weston_pid=$!
    trap 'kill "$weston_pid" 2>/dev/null; wait "$weston_pid" 2>/dev/null; rm -rf "$work"' EXIT
    for _ in $(seq 50); do [[ -S $work/run/telbo-bench ]] && break; sleep 0.1; done
    (unset DISPLAY; QT_QPA_PLATFORM=wayland WAYLAND_DISPLAY=telbo-bench \
        "$0" --measure "$work" wayland "${programs[@]:0:3}" "egl=$work/telbo-egl" \
        "floor-shm=$work/floor-shm")
else
    echo "startup.sh: weston or qt6-wayland is missing: no Wayland rows" >&2
fi

if [[ "$(fingerprint)" != "$before" ]]; then
    echo "startup.sh: the player wrote its config.ini: the figures are not comparable" >&2
    exit 1
fi

# --- table ---------------------------------------------------------------------------------
median_ms() { cut -d' ' -f1 "$1" | sort -n | awk '{v[NR] = $1} END {
    m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; printf "%.1f", m / 1000 }'; }
peak_kib() { cut -d' ' -f2 "$1" | sort -n | tail -n 1; }

echo "Start-up to the first painted window: whole process, median of $runs runs; peak RSS"
echo "is the largest of the runs. Input: config.ini with 101 tracks and 101 list files, and a"
echo "telbo.ini (equalizer on, resume, ReplayGain Auto)."
printf '%-10s %-32s %10s %13s %8s  %s\n' display program "median ms" "peak RSS KiB" "x floor" \
    "targets (1.3 x floor, 35840 KiB)"
for display in "${displays[@]}"; do
    floor=$(median_ms "$work/$display-floor")
    names=(floor telbo autoplay)
    [[ $display == wayland ]] && names+=(egl floor-shm)
    [[ -n "${OLD:-}" && $display != wayland ]] && names+=(old)
    for name in "${names[@]}"; do
        case $name in
        floor) label="floor (one QLabel)" ;;
        telbo) label="telbo" ;;
        autoplay) label="telbo, auto-play (null sink)" ;;
        egl) label="telbo, EGL (as before)" ;;
        floor-shm) label="floor, shared memory" ;;
        old) label="telbo, the older build (OLD)" ;;
        esac
        ms=$(median_ms "$work/$display-$name")
        kib=$(peak_kib "$work/$display-$name")
        ratio=$(awk -v a="$ms" -v b="$floor" 'BEGIN { printf "%.2f", a / b }')
        verdict=""
        if [[ $name != floor* ]]; then
            verdict=$(awk -v r="$ratio" -v k="$kib" 'BEGIN {
                printf "%s, %s", (r <= 1.3 ? "time ok" : "time OVER"), (k <= 35840 ? "memory ok" : "memory OVER") }')
        fi
        printf '%-10s %-32s %10s %13s %8s  %s\n' "$display" "$label" "$ms" "$kib" "$ratio" "$verdict"
    done
done

echo
echo "The same with a 512 MiB zero-filled file as the current track, against the same start-up"
echo "with a normal one (target: 1.2 x)."
printf '%-10s %-32s %10s %10s  %s\n' display program "median ms" "x normal" verdict
for display in xvfb offscreen; do
    for pair in "zeros telbo" "zeros-autoplay autoplay"; do
        read -r name normal <<<"$pair"
        ms=$(median_ms "$work/$display-$name")
        ratio=$(awk -v a="$ms" -v b="$(median_ms "$work/$display-$normal")" 'BEGIN { printf "%.2f", a / b }')
        verdict=$(awk -v r="$ratio" 'BEGIN { print (r <= 1.2 ? "ok" : "OVER") }')
        label="telbo, zero-filled track"
        [[ $name == zeros-autoplay ]] && label="telbo, auto-play, zero-filled"
        printf '%-10s %-32s %10s %10s  %s\n' "$display" "$label" "$ms" "$ratio" "$verdict"
    done
done
