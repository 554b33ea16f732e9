#!/bin/sh
# Builds the engine benchmark (in build-engine, RelWithDebInfo) and prints its figures. Takes about two and a half
# minutes: (c) plays one minute twice in real time. Pass --play-seconds 10 for a quick look.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-engine"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTELBO_BENCH=ON >/dev/null
cmake --build "$build" --target engine_bench -j2 >/dev/null
exec "$build/bench/engine_bench" "$@"
