#!/usr/bin/env bash
# Benchmark of adding camera pictures to the maker's window under Wine: 100
# photo-like JPEG pictures of 4000 x 3000 pixels (about 4 MB each) are
# dropped on an empty picture list; the time from the drop to the last
# thumbnail drawn, and the memory the process holds before and afterwards.
#
#   bash scripts/bench-add-pictures.sh [build-folder]
#
# Default build folder: build-win64/ (scripts/stages/20-windows.sh builds it,
# or `cmake --build build-win64 --target add_pictures_bench Slidewright`).
# The pictures are generated once into BENCH_DIR (default out/bench-add):
# BENCH_DISTINCT (default 20) different fractal-plasma pictures, which have
# the fine detail of a camera photo, copied to BENCH_PICTURES (default 100)
# files. Each file is read and decoded on its own; nothing is cached between
# them. BENCH_RUNS (default 3) runs; memory is taken after the first.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-win64}
bench=$build/app/add_pictures_bench.exe
work=${BENCH_DIR:-$root/out/bench-add}
count=${BENCH_PICTURES:-100}
distinct=${BENCH_DISTINCT:-20}
runs=${BENCH_RUNS:-3}
[ -f "$bench" ] || { echo "no $bench: build the target add_pictures_bench first" >&2; exit 1; }
convert=/usr/bin/convert
[ -x "$convert" ] || convert=convert

mkdir -p "$work/distinct" "$work/pictures"
missing=()
for i in $(seq -w 1 "$distinct"); do
  [ -s "$work/distinct/plasma$i.jpg" ] || missing+=("$i")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "generating ${#missing[@]} pictures of 4000 x 3000 (once)..." >&2
  printf '%s\n' "${missing[@]}" | xargs -P2 -I{} \
    "$convert" -size 4000x3000 -seed {} plasma:fractal -quality 92 "$work/distinct/plasma{}.jpg"
fi
files=()
for i in $(seq 1 "$count"); do
  name=$(printf 'photo%03d.jpg' "$i")
  source=$(printf 'plasma%02d.jpg' $(( (i - 1) % distinct + 1 )))
  [ -s "$work/pictures/$name" ] || cp "$work/distinct/$source" "$work/pictures/$name"
  files+=("Z:$work/pictures/$name")
done

. "$root/scripts/wine/env.sh"
unset DISPLAY WINEPREFIX
SLIDEWRIGHT_WINE_ARCH=$(wine_arch_of "$bench")
trap wine_env_stop EXIT
wine_env_start
echo "-- $(basename "$bench") under $WINELOADER, $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)"
(cd "$build/app" && env LC_ALL=zh_CN.GBK "$WINELOADER" "$bench" --runs "$runs" "${files[@]}" </dev/null) |
  sed 's/\r$//'
