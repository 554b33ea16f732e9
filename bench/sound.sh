#!/bin/sh
# The player on a real sound server against mpv (bench/sound_bench.cpp says what is measured).
# Starts a private PulseAudio server, then a private PipeWire (pipewire, wireplumber,
# pipewire-pulse on a session bus of its own), each with a null sink, and ends them; needs no
# sound card. Installs mpv first when it is missing (only this benchmark uses it). Builds in
# build-engine (RelWithDebInfo). Takes about ten minutes; --play-seconds 10 for a quicker
# look, --server pulseaudio or --server pipewire for one of them.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps"
if ! command -v mpv >/dev/null; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    echo "sound.sh: installing mpv for the comparison"
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends mpv >/dev/null
fi
build="$root/build-engine"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTELBO_BENCH=ON >/dev/null
cmake --build "$build" --target sound_bench telbo-play -j2 >/dev/null
exec "$build/bench/sound_bench" "$@"
