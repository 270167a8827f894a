#!/usr/bin/env bash
# Builds album-bench, makes a 3-minute MP3 re-encoded as the maker does
# (22050 Hz, single channel, 32 kbit/s) and runs the benchmark under
# /usr/bin/time -v, where installed, for the whole process's figures.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${BUILD_DIR:-$root/build-album-bench}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DSLIDEWRIGHT_BENCHMARKS=ON \
  -DSLIDEWRIGHT_TESTS=OFF >/dev/null
cmake --build "$build" --target album-bench -j2 >/dev/null

sox -n -r 44100 -c 2 "$work/music.wav" synth 180 pinknoise vol 0.3
lame --quiet -m m --resample 22.05 -b 32 "$work/music.wav" "$work/music.mp3"
echo "music: $(stat -c %s "$work/music.mp3") bytes"

# The benchmark reports its own peak memory (peak_RSS_MB); /usr/bin/time, where
# installed, adds the figures of the whole process.
export ALBUM_BENCH_MP3="$work/music.mp3"
if [ -x /usr/bin/time ]; then
  /usr/bin/time -v "$build/album/bench/album-bench" "$@" 2>"$work/time.txt"
  grep -E "Elapsed|Maximum resident" "$work/time.txt"
else
  "$build/album/bench/album-bench" "$@"
fi
