#!/usr/bin/env bash
# Benchmark of the maker window's make-album command against the Windows
# build's `slidewright.exe make` on the same inputs, both under Wine on this
# machine: 40 photo-like pictures of 4000 x 3000 (JPEG) at 800 x 600 with a
# 3-minute MP3 (the inputs of scripts/bench-make.sh, made once into
# BENCH_DIR, default out/bench). Best of BENCH_REPS runs (default 3) each.
#
#   bash scripts/bench-window-make.sh [build-folder]      (default build-win64)
#
# Build first: cmake --build build-win64 --target make_album_bench slidewright Slidewright
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-win64}
work=${BENCH_DIR:-$root/out/bench}
reps=${BENCH_REPS:-3}
. "$root/scripts/lib/bench.sh"
bench=$build/app/make_album_bench.exe
cli=$build/cli/slidewright.exe
for f in "$bench" "$cli"; do
  [ -f "$f" ] || { echo "no $f: build make_album_bench and slidewright in $build first" >&2; exit 1; }
done
# The inputs: made by the native benchmark's own steps when missing.
if [ ! -s "$work/music.mp3" ] || [ "$(ls "$work"/pictures/photo*.jpg 2>/dev/null | wc -l)" -lt 40 ]; then
  echo "making the inputs with scripts/bench-make.sh (once)..." >&2
  BENCH_REPS=1 bash "$root/scripts/bench-make.sh" >/dev/null
fi
pictures=()
for p in "$work"/pictures/photo*.jpg; do pictures+=("Z:$p"); done
out=$(mktemp -d /tmp/slidewright-window-make.XXXXXX)

. "$root/scripts/wine/env.sh"
unset DISPLAY WINEPREFIX
SLIDEWRIGHT_WINE_ARCH=$(wine_arch_of "$bench")
cleanup() { wine_env_stop; rm -rf "$out"; }
trap cleanup EXIT
wine_env_start
echo "-- under $WINELOADER, $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)"

best=
for _ in $(seq "$reps"); do
  t0=$EPOCHREALTIME
  "$WINELOADER" "$cli" make -q -W 800 -H 600 -m "Z:$work/music.mp3" "${pictures[@]}" -o "Z:$out/command.swf" \
    </dev/null >/dev/null
  t=$(seconds_since "$t0" 2)
  echo "slidewright.exe make: $t s"
  if beats "$t" "$best"; then best=$t; fi
done
echo "slidewright.exe make: best of $reps: $best s"
window=$(cd "$build/app" && env LC_ALL=zh_CN.GBK "$WINELOADER" "$bench" --runs "$reps" --size 800x600 \
  --music "Z:$work/music.mp3" --out "Z:$out/window.swf" "${pictures[@]}" </dev/null 2>/dev/null | sed 's/\r$//' |
  tee /dev/stderr | awk '/best of/ {print $(NF-1)}')
cmp -s "$out/command.swf" "$out/window.swf" && echo "the two movies are byte-identical" ||
  echo "the two movies differ" >&2
awk -v w="$window" -v c="$best" 'BEGIN { printf "window / command: %.2f (goal: at most 1.2)\n", w / c }'
