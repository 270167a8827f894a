#!/usr/bin/env bash
# Makes the sample album: generates pictures of several shapes and kinds with
# ImageMagick and a short tune with sox and lame, then runs
# `slidewright make` over them with every transition and the music.
#   bash scripts/sample-album.sh OUTDIR
# Needs the native build (build/cli/slidewright, or the command named by
# SLIDEWRIGHT_BIN).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:?usage: sample-album.sh OUTDIR}
mkdir -p "$out"
out=$(cd "$out" && pwd)
bin=${SLIDEWRIGHT_BIN:-$root/build/cli/slidewright}
[ -x "$bin" ] || { echo "sample-album.sh: $bin is missing; build first (scripts/build-native.sh)" >&2; exit 1; }
convert=/usr/bin/convert
[ -x "$convert" ] || convert=convert

samples=$out/samples
rm -rf "$samples"
mkdir -p "$samples"
cd "$samples"

# Pictures: landscape and portrait photos, a panorama, a small picture, a
# transparent PNG, a GIF, and an 8-bit run-length-compressed BMP.
"$convert" -size 1600x1200 -seed 11 plasma:orange-purple -blur 0x2 -quality 90 01-landscape.jpg
"$convert" -size 1200x1600 -seed 12 plasma:green-blue -quality 90 02-portrait.jpg
"$convert" -size 2400x600 gradient:skyblue-navy \
  -fill '#e8c070' -draw 'circle 1800,300 1800,180' \
  -fill '#2b5d34' -draw 'polygon 0,600 500,260 900,600' -draw 'polygon 700,600 1300,200 2000,600' \
  03-panorama.jpg
"$convert" -size 320x200 -seed 14 plasma:red-yellow 04-small.jpg
"$convert" -size 600x600 xc:none -fill '#d03030' -draw 'circle 300,300 300,60' \
  -fill '#ffffffa0' -draw 'circle 240,220 240,180' 05-transparent.png
"$convert" -size 480x360 -seed 16 plasma:pink-cyan -colors 64 06-palette.gif
"$convert" -size 640x480 -seed 17 plasma:white-teal -colors 200 -type Palette -compress RLE BMP3:07-rle.bmp
"$convert" -size 1000x750 -seed 18 plasma:yellow-brown -quality 85 08-photo.png
"$convert" -size 900x1200 -seed 19 plasma:lavender-indigo 09-tall.jpg
"$convert" -size 800x600 pattern:checkerboard -scale 800x600 10-checks.bmp
"$convert" -size 1280x720 -seed 21 plasma:tomato-gold 11-wide.jpg
"$convert" -size 700x700 radial-gradient:white-darkgreen 12-radial.png
"$convert" -size 1024x768 -seed 23 plasma:skyblue-white -colors 128 13-sky.gif

# Music: an arpeggio played round a few times, about a minute long.
notes=(A3 C4 E4 A4 G3 B3 D4 G4 F3 A3 C4 F4 E3 G#3 B3 E4)
parts=()
for i in "${!notes[@]}"; do
  sox -q -n -r 44100 -c 2 "note$i.wav" synth 0.45 pluck "${notes[$i]}" fade 0 0.45 0.1
  parts+=("note$i.wav")
done
sox -q "${parts[@]}" phrase.wav
sox -q phrase.wav tune.wav repeat 10 gain -3
lame --quiet -b 128 tune.wav tune.mp3
rm -f note*.wav phrase.wav tune.wav

# Every transition, one picture each, in the order of their numbers.
pictures=(01-landscape.jpg 02-portrait.jpg 03-panorama.jpg 04-small.jpg 05-transparent.png
  06-palette.gif 07-rle.bmp 08-photo.png 09-tall.jpg 10-checks.bmp 11-wide.jpg 12-radial.png 13-sky.gif)
args=()
for i in "${!pictures[@]}"; do
  args+=(-t "$i" "$samples/${pictures[$i]}")
done
"$bin" make -W 640 -H 480 -b '#203040' -m "$samples/tune.mp3" --fit-to-music "${args[@]}" \
  -o "$out/sample-album.swf"
echo "The sample album is at $out/sample-album.swf (pictures and music in $samples)"

# The same album as a video and as a web page, where this build has the exports.
if "$bin" video --help >/dev/null 2>&1; then
  "$bin" video "$out/sample-album.swf" -o "$out/sample-album.mp4"
  "$bin" web "$out/sample-album.swf" -o "$out/sample-album-web"
fi
