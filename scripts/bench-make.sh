#!/usr/bin/env bash
# End-to-end benchmark of `slidewright make`: an album of 40 photo-like
# pictures of 4000 x 3000 pixels (JPEG) at 800 x 600 with a 3-minute MP3,
# beside, in the same run, ImageMagick's convert doing only the picture part
# (resize to fit, quality 60) and the lame encoder doing only the music
# (32 kbit/s mono). Each time is the best of BENCH_REPS runs (default 3).
#   bash scripts/bench-make.sh            (after scripts/build-native.sh)
# Inputs are generated once into BENCH_DIR (default out/bench) and reused.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=${SLIDEWRIGHT_BIN:-$root/build/cli/slidewright}
work=${BENCH_DIR:-$root/out/bench}
count=${BENCH_PICTURES:-40}
reps=${BENCH_REPS:-3}
. "$root/scripts/lib/bench.sh"
[ -x "$bin" ] || { echo "bench-make.sh: $bin is missing; build first (scripts/build-native.sh)" >&2; exit 1; }
convert=/usr/bin/convert
[ -x "$convert" ] || convert=convert
for tool in "$convert" sox lame; do
  command -v "$tool" >/dev/null || { echo "bench-make.sh: $tool is missing (scripts/install-deps.sh native)" >&2; exit 1; }
done

mkdir -p "$work/pictures" "$work/convert"
cd "$work"

# Photo-like pictures: fractal plasma has the fine detail of a camera photo
# and compresses to about 4 MB at quality 92, like one.
missing=()
for i in $(seq -w 1 "$count"); do
  [ -s "pictures/photo$i.jpg" ] || missing+=("$i")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "generating ${#missing[@]} pictures of 4000 x 3000 (once)..." >&2
  printf '%s\n' "${missing[@]}" | xargs -P2 -I{} \
    "$convert" -size 4000x3000 -seed {} plasma:fractal -quality 92 "pictures/photo{}.jpg"
fi
# Three minutes of stereo music at 44.1 kHz, 192 kbit/s: plucked notes over noise.
if [ ! -s music.mp3 ]; then
  echo "generating a 3-minute MP3 (once)..." >&2
  sox -q -n -r 44100 -c 2 noise.wav synth 180 pinknoise tremolo 2 50 gain -16
  sox -q -n -r 44100 -c 2 notes.wav synth 0.5 pluck A3 pluck E4 repeat 359
  sox -q -m noise.wav notes.wav -r 44100 -c 2 mix.wav
  lame --quiet -b 192 mix.wav music.mp3
  rm -f noise.wav notes.wav mix.wav
fi
[ -s tiny.jpg ] || "$convert" -size 100x75 xc:gray tiny.jpg

convert_all() {
  local f
  for f in pictures/*.jpg; do
    "$convert" "$f" -resize '800x600>' -quality 60 "convert/${f##*/}"
  done
}

pics=(pictures/*.jpg)
t_album=$(best_of 3 "$bin" make -q -W 800 -H 600 -m music.mp3 "${pics[@]}" -o album.swf)
t_pictures=$(best_of 3 "$bin" make -q -W 800 -H 600 "${pics[@]}" -o pictures.swf)
t_music=$(best_of 3 "$bin" make -q -W 800 -H 600 -m music.mp3 tiny.jpg -o music.swf)
t_convert=$(best_of 3 convert_all)
t_lame=$(best_of 3 lame --quiet -b 32 -m m music.mp3 lame.mp3)

speedup=$(ratio "$t_convert" "$t_album")
music_ratio=$(ratio "$t_music" "$t_lame")
cat <<REPORT
slidewright make benchmark: ${#pics[@]} JPEG pictures of 4000 x 3000 at 800 x 600, a 3-minute MP3
(best of $reps runs, wall-clock seconds, $(nproc) cores; convert and slidewright both use several for the pictures)

  slidewright make, whole album (pictures + music)  $t_album s
  slidewright make, pictures only                   $t_pictures s
  slidewright make, music only (one tiny picture)   $t_music s
  convert, pictures only (-resize 800x600> -quality 60)  $t_convert s
  lame, music only (-b 32 -m m)                     $t_lame s

  convert pictures / our whole album: ${speedup}x   (goal at least 3x: $(verdict "$speedup" 3 min))
  our music / lame:                   ${music_ratio}x   (goal at most 1.2x: $(verdict "$music_ratio" 1.2 max))
  movie: $(stat -c %s album.swf) bytes
REPORT
