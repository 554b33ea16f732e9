#!/bin/sh
# Decoding speed per format: a generated 5-minute 44.1 kHz stereo file, encoded by each
# format's own encoder, decoded through Telbo's default chain (telbo-decode, into nothing) and
# by the format's reference decoder, in the same run; prints the median times and their ratio.
# Needs sox, flac, vorbis-tools, opus-tools, lame, mpg123 (scripts/install-deps) and, for the
# best figures, hyperfine. RUNS=N sets the runs per command (default 10).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps"
build="$root/build-engine"
runs=${RUNS:-10}
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTELBO_BENCH=ON >/dev/null
cmake --build "$build" --target telbo-decode -j2 >/dev/null
decode="$build/tools/telbo-decode"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Music-like: a chord over quiet noise, so that no codec gets off lightly with silence.
sox -n -r 44100 -c 2 -b 16 "$work/src.wav" synth 300 pinknoise vol 0.2 \
    synth 300 sine mix 220 sine mix 277 sine mix 330 2>/dev/null
flac -s -f -o "$work/t.flac" "$work/src.wav"
oggenc -Q -o "$work/t.ogg" "$work/src.wav"
opusenc --quiet "$work/src.wav" "$work/t.opus"
lame --quiet "$work/src.wav" "$work/t.mp3"

# Median seconds of `runs` runs of a command.
median() {
    if command -v hyperfine >/dev/null; then
        hyperfine -N -w 1 -r "$runs" --export-csv "$work/h.csv" "$1" >/dev/null 2>&1
        awk -F, 'NR == 2 { print $4 }' "$work/h.csv"
    else
        i=0
        : >"$work/times"
        while [ $i -lt "$runs" ]; do
            /usr/bin/time -f %e -a -o "$work/times" sh -c "$1" >/dev/null 2>&1
            i=$((i + 1))
        done
        sort -n "$work/times" | awk '{ t[NR] = $1 } END { print t[int((NR + 1) / 2)] }'
    fi
}

printf '%-10s %12s %12s %7s  %s\n' format telbo reference ratio reference-command
row() {
    ours=$(median "$decode $2")
    theirs=$(median "$3")
    printf '%-10s %11.3fs %11.3fs %6.2fx  %s\n' "$1" "$ours" "$theirs" \
        "$(echo "$ours $theirs" | awk '{ print $1 / $2 }')" "$3"
}
row FLAC "$work/t.flac" "flac -d -s -f -o /dev/null $work/t.flac"
row "Ogg Vorbis" "$work/t.ogg" "oggdec -Q -o /dev/null $work/t.ogg"
row Opus "$work/t.opus" "opusdec --quiet $work/t.opus /dev/null"
row MP3 "$work/t.mp3" "mpg123 -q -t $work/t.mp3"
