#!/usr/bin/env bash
# Fuzzes the player for a bounded time: the movie parser (with a few frames
# of playing and drawing) and the MP3 frame walker, built with clang's
# libFuzzer and the address and undefined-behaviour sanitizers, seeded with
# the regression cases and a small album. A crash fails the stage; its input
# is left in build-fuzz/artifacts to become a regression case in
# player/tests/data/fuzz.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
build=${SLIDEWRIGHT_FUZZ_BUILD:-$root/build-fuzz}
seconds=${SLIDEWRIGHT_FUZZ_SECONDS:-30}

CC=clang-14 CXX=clang++-14 cmake -S "$root" -B "$build" -DSLIDEWRIGHT_FUZZ=ON -DSLIDEWRIGHT_TESTS=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target player-fuzz_movie player-fuzz_mp3 player-album-fixture -j2 >/dev/null

# The corpus is kept between runs, so that each run starts from what earlier
# ones reached; the seeds are added afresh.
corpus="$build/corpus"
rm -rf "$build/artifacts"
mkdir -p "$corpus/movie" "$corpus/mp3" "$corpus/pictures" "$build/artifacts"
cp player/tests/data/fuzz/* "$corpus/movie/" 2>/dev/null || true
"$build/player/player-album-fixture" "$corpus/movie/album.swf" "$corpus/pictures" \
  --size 100x75 --pause 0 --transitions 4,9,10 --loop 0 >/dev/null
# Three silent MPEG-1 layer III frames (128 kbit/s, 44.1 kHz, 417 bytes each).
for i in 1 2 3; do printf '\377\373\220\144'; head -c 413 /dev/zero; done > "$corpus/mp3/silence.mp3"

for target in fuzz_movie fuzz_mp3; do
  dir=$([ "$target" = fuzz_movie ] && echo movie || echo mp3)
  echo "-- $target for ${seconds}s"
  "$build/player/player-$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -max_len=65536 -print_final_stats=1 -artifact_prefix="$build/artifacts/" "$corpus/$dir" \
    2>"$build/$target.log" || { tail -n 60 "$build/$target.log" >&2; exit 1; }
  grep -E '^stat::number_of_executed_units|^Done' "$build/$target.log" || true
done
