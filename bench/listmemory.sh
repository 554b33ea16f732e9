#!/usr/bin/env bash
# Memory of reading a huge list file: the player started with a list named on its command
# line, once with an empty list and once with 16 MiB of short lines ("a" LF repeated, 8 Mi
# entries), on the offscreen platform, each run ending at the first painted window. Reading
# stops once the track list is full (101 entries), so the two peaks should differ by little.
#
#   bench/listmemory.sh                  build Release in build-bench, 10 runs of each
#   BUILD=build RUNS=5 bench/listmemory.sh   use an existing build folder
#
# Needs GNU time (Debian package "time").
set -euo pipefail
export LC_ALL=C
if ! command -v /usr/bin/time >/dev/null; then
    echo "listmemory.sh: /usr/bin/time is missing" >&2
    exit 1
fi

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$root/build-bench}
runs=${RUNS:-10}
if [[ -z "${BUILD:-}" ]]; then
    launcher=()
    command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" >/dev/null
    cmake --build "$build" --target telbo -j2 >/dev/null
fi

work=$(mktemp -d /tmp/telbo-listmemory.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/player" "$work/run"
chmod 700 "$work/run"
# Its own folder, so no config.ini of another run is read (none is written: the run ends at
# the first paint, before the shut-down).
cp "$build/telbo" "$build/telbo-engine.so" "$work/player/"
: >"$work/empty.m3u"
yes a | head -c $((16 * 1024 * 1024)) >"$work/huge.m3u" || true # yes ends on SIGPIPE

export TELBO_EXIT_AFTER_FIRST_PAINT=1 TELBO_NULL_AUDIO=1 QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR="$work/run"
peak() { # list: the largest peak RSS (KiB) of the runs
    local max=0 kib
    for ((i = 0; i < runs; i++)); do
        timeout 60 /usr/bin/time -f %M -o "$work/rss" "$work/player/telbo" "$1" >/dev/null 2>&1
        kib=$(tail -n 1 "$work/rss")
        if ((kib > max)); then max=$kib; fi
    done
    echo "$max"
}
empty=$(peak "$work/empty.m3u")
huge=$(peak "$work/huge.m3u")
printf 'peak RSS, largest of %d runs: empty list %d KiB, 16 MiB list %d KiB, difference %d KiB\n' \
    "$runs" "$empty" "$huge" $((huge - empty))
