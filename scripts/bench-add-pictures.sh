#!/usr/bin/env bash
# Benchmark of adding pictures to the maker's window under Wine: 100
# pictures are dropped on an empty picture list; the time from the drop to
# the last thumbnail drawn, and the memory the process holds before and
# afterwards.
#
#   bash scripts/bench-add-pictures.sh [build-folder]
#
# Default build folder: build-win64/ (scripts/stages/20-windows.sh builds it,
# or `cmake --build build-win64 --target add_pictures_bench Slidewright`).
# BENCH_KIND chooses the pictures, each made by its kind's own encoder:
#   jpg         (default) camera JPEGs of 4000 x 3000, about 4 MB each
#   heic-thumb  HEIC as phones write it, with a 320 x 240 thumbnail image
#   heic        HEIC without a thumbnail
#   avif        AVIF (no thumbnail)
#   webp        WebP
# The phone kinds are BENCH_SIZE (default 4032x3024, 12 megapixels) and need
# a build with SLIDEWRIGHT_PHONE_PICTURES=ON.
# The pictures are generated once into BENCH_DIR (default out/bench-add):
# BENCH_DISTINCT (default 20 JPEGs, 2 of the phone kinds, which are slow to
# encode) different fractal-plasma pictures, which have the fine detail of a
# camera photo, copied to BENCH_PICTURES (default 100) files. Each file is
# read and decoded on its own; nothing is cached between them. BENCH_RUNS
# (default 3) runs; memory is taken after the first.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-win64}
bench=$build/app/add_pictures_bench.exe
work=${BENCH_DIR:-$root/out/bench-add}
kind=${BENCH_KIND:-jpg}
size=${BENCH_SIZE:-4032x3024}
count=${BENCH_PICTURES:-100}
runs=${BENCH_RUNS:-3}
[ -f "$bench" ] || { echo "no $bench: build the target add_pictures_bench first" >&2; exit 1; }
convert=/usr/bin/convert
[ -x "$convert" ] || convert=convert

# make_picture SEED FILE: one picture of the chosen kind.
make_picture() {
  local seed=$1 out=$2 png
  case $kind in
    jpg) "$convert" -size 4000x3000 -seed "$seed" plasma:fractal -quality 92 "$out" ;;
    *)
      png=$out.png
      "$convert" -size "$size" -seed "$seed" plasma:fractal -depth 8 "$png"
      case $kind in
        heic-thumb) heif-enc -q 85 -p preset=fast -t 320 "$png" -o "$out" >/dev/null ;;
        heic) heif-enc -q 85 -p preset=fast "$png" -o "$out" >/dev/null ;;
        avif) avifenc -s 8 -d 8 --min 10 --max 30 "$png" "$out" >/dev/null ;;
        webp) cwebp -quiet -q 85 "$png" -o "$out" ;;
      esac
      rm -f "$png"
      ;;
  esac
}
case $kind in
  jpg) ext=jpg distinct=${BENCH_DISTINCT:-20} dir=$work ;;
  heic-thumb | heic | avif | webp)
    ext=${kind%-thumb} distinct=${BENCH_DISTINCT:-2} dir=$work/$kind-$size
    for tool in heif-enc avifenc cwebp; do
      command -v "$tool" >/dev/null ||
        { echo "$tool is missing (scripts/install-deps.sh native)" >&2; exit 1; }
    done
    ;;
  *) echo "BENCH_KIND must be jpg, heic-thumb, heic, avif or webp" >&2; exit 2 ;;
esac
export -f make_picture
export kind size convert

mkdir -p "$dir/distinct" "$dir/pictures"
missing=()
for i in $(seq 1 "$distinct"); do
  i=$(printf '%02d' "$i")
  [ -s "$dir/distinct/plasma$i.$ext" ] || missing+=("$i")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "generating ${#missing[@]} $kind pictures (once)..." >&2
  printf '%s\n' "${missing[@]}" | xargs -P2 -I{} bash -c 'make_picture "$1" "$2"' _ {} "$dir/distinct/plasma{}.$ext"
fi
files=()
for i in $(seq 1 "$count"); do
  name=$(printf 'photo%03d.%s' "$i" "$ext")
  source=$(printf 'plasma%02d.%s' $(( (i - 1) % distinct + 1 )) "$ext")
  [ -s "$dir/pictures/$name" ] || cp "$dir/distinct/$source" "$dir/pictures/$name"
  files+=("Z:$dir/pictures/$name")
done

. "$root/scripts/wine/env.sh"
unset DISPLAY WINEPREFIX
SLIDEWRIGHT_WINE_ARCH=$(wine_arch_of "$bench")
trap wine_env_stop EXIT
wine_env_start
echo "-- $kind pictures: $(basename "$bench") under $WINELOADER, $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)"
(cd "$build/app" && env LC_ALL=zh_CN.GBK "$WINELOADER" "$bench" --runs "$runs" "${files[@]}" </dev/null) |
  sed 's/\r$//'
