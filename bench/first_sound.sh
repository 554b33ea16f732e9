#!/usr/bin/env bash
# Play to the first block the null sink takes: the engine linked and started before the window
# shows (first_sound_linked, as the program did) against the engine loaded after the first
# paint (first_sound_module, as it does now); Open + Play on the loop turn after the first
# paint ("at paint"), 0.3 s after it (about the soonest a hand reacts to the window) and 5 s
# after it. Interleaved runs, offscreen; median, least and most.
# The null sink looks for audio every 0.1 s while it has none, so single runs spread over
# about 100 ms: compare medians of many runs.
#
#   bench/first_sound.sh            build Release in build-bench, 20 runs at paint, 12 at 5 s
#   RUNS=40 LATE_RUNS=20 bench/first_sound.sh
set -euo pipefail
export LC_ALL=C
command -v lame >/dev/null || { echo "first_sound.sh: lame is missing" >&2; exit 1; }
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-bench"
runs=${RUNS:-20}
late_runs=${LATE_RUNS:-12}

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTELBO_BENCH=ON \
    "${launcher[@]}" >/dev/null
cmake --build "$build" --target first_sound_linked first_sound_module -j2 >/dev/null

work=$(mktemp -d /tmp/telbo-firstsound.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -m 700 "$work/run"
head -c $((44100 * 2 * 2 * 3)) /dev/zero |
    lame --quiet -r -s 44.1 --bitwidth 16 --signed --little-endian -m j -b 128 - "$work/a.mp3"
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$work/run"

# The later runs add 0-99 ms at random: the null sink wakes on a 0.1 s grid from when it was
# made, so a fixed delay would measure where that grid happens to fall.
measure() { # delay runs: appends one line per run to $work/<name>-<delay>
    local jitter
    for ((i = 0; i < $2; i++)); do
        jitter=0
        [[ $1 != 0 ]] && jitter=$((RANDOM % 100))
        for name in linked module; do
            "$build/first_sound_$name" "$work/a.mp3" $(($1 + jitter)) 2>/dev/null >>"$work/$name-$1"
        done
    done
}
stats() { sort -n "$1" | awk '{v[NR] = $1} END {
    m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
    printf "%8.1f %8.1f %8.1f %5d", m, v[1], v[NR], NR }'; }

measure 0 2 && rm -f "$work"/linked-0 "$work"/module-0 # warm the caches
measure 0 "$runs"
measure 300 "$runs"
measure 5000 "$late_runs"
printf '%-18s %-28s %8s %8s %8s %5s\n' Play engine "median" least most runs
for delay in 0 300 5000; do
    when="at paint"
    [[ $delay == 300 ]] && when="0.3 s after paint"
    [[ $delay == 5000 ]] && when="5 s after paint"
    printf '%-18s %-28s %s\n' "$when" "linked, started at start-up" "$(stats "$work/linked-$delay")"
    printf '%-18s %-28s %s\n' "$when" "loaded after the first paint" "$(stats "$work/module-$delay")"
done
