#!/usr/bin/env bash
# Phone pictures in `slidewright make`: albums of BENCH_PICTURES (default 10)
# pictures of 4032 x 3024 (12 megapixels, as phones take them) at 800 x 600,
# one album for each kind, JPEG beside HEIC, AVIF and WebP of the same
# picture, each made by the kind's own encoder. Prints, for each kind, the
# best time of BENCH_REPS runs (default 3), the time a picture and the peak
# memory of one run (GNU time's maximum resident set).
#   bash scripts/bench-phone-pictures.sh     (after scripts/build-native.sh)
# Inputs are generated once into BENCH_DIR (default out/bench-phone).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=${SLIDEWRIGHT_BIN:-$root/build/cli/slidewright}
work=${BENCH_DIR:-$root/out/bench-phone}
count=${BENCH_PICTURES:-10}
reps=${BENCH_REPS:-3}
. "$root/scripts/lib/bench.sh"
[ -x "$bin" ] || { echo "bench-phone-pictures.sh: $bin is missing; build first" >&2; exit 1; }
for tool in convert cwebp heif-enc avifenc /usr/bin/time; do
  command -v "$tool" >/dev/null ||
    { echo "bench-phone-pictures.sh: $tool is missing (scripts/install-deps.sh native)" >&2; exit 1; }
done
mkdir -p "$work"
cd "$work"

# A photo-like 8-bit picture (fractal plasma has a camera photo's detail),
# then the same picture in each kind at the quality phones use.
if [ ! -s photo.png ]; then
  echo "generating a picture of 4032 x 3024 in four kinds (once)..." >&2
  convert -size 4032x3024 -seed 7 plasma:fractal -depth 8 photo.png
fi
[ -s photo.jpg ] || convert photo.png -quality 92 photo.jpg
[ -s photo.webp ] || cwebp -quiet -q 85 photo.png -o photo.webp
[ -s photo.heic ] || heif-enc -q 85 photo.png -o photo.heic >/dev/null
[ -s photo.avif ] || avifenc -s 8 -d 8 --min 10 --max 30 photo.png photo.avif >/dev/null

printf '%-5s %9s %10s %12s %10s\n' kind "file MB" "album s" "s a picture" "peak MB"
for kind in jpg heic avif webp; do
  pictures=()
  for _ in $(seq "$count"); do pictures+=("photo.$kind"); done
  args=(make -q -W 800 -H 600 -s 0 "${pictures[@]}" -o "album-$kind.swf")
  best=$(best_of 2 "$bin" "${args[@]}")
  peak=$(/usr/bin/time -f %M "$bin" "${args[@]}" 2>&1 >/dev/null | tail -n1)
  printf '%-5s %9s %10s %12s %10s\n' "$kind" "$(awk -v b="$(stat -c %s "photo.$kind")" 'BEGIN { printf "%.1f", b / 1e6 }')" \
    "$best" "$(ratio "$best" "$count")" "$(awk -v k="$peak" 'BEGIN { printf "%.0f", k / 1024 }')"
done
