#!/usr/bin/env bash
# Benchmark of `slidewright video` against FFmpeg's own command-line tool,
# side by side in one run: a 13-picture album of 800 x 600 (3 s a picture,
# one of each transition, with music) exported to H.264 and AAC, against
# `ffmpeg` making a slide show of the same 13 pictures with its xfade filter
# (twelve transitions of the album's length) at the same size, frame rate,
# length, codec, preset (the export's default; BENCH_PRESET changes both) and
# CRF, with the same music in AAC. Each time is the
# best of BENCH_REPS runs (default 3), wall clock, on all cores.
#   bash scripts/bench-video.sh            (after scripts/build-native.sh)
# Installs the ffmpeg command (scripts/install-deps.sh bench). Inputs are
# generated once into BENCH_DIR (default out/bench-video) and reused.
# BENCH_WEBM=1 adds one run of the WebM (VP9 and Opus) export.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=${SLIDEWRIGHT_BIN:-$root/build/cli/slidewright}
work=${BENCH_DIR:-$root/out/bench-video}
reps=${BENCH_REPS:-3}
. "$root/scripts/lib/bench.sh"
crf=${BENCH_CRF:-23}
preset=${BENCH_PRESET:-fast}  # the export's default
[ -x "$bin" ] || { echo "bench-video.sh: $bin is missing; build first (scripts/build-native.sh)" >&2; exit 1; }
command -v ffmpeg >/dev/null || bash "$root/scripts/install-deps.sh" bench
convert=/usr/bin/convert
[ -x "$convert" ] || convert=convert

mkdir -p "$work"
cd "$work"
# Photo-like pictures at the album's size, so that neither side resizes.
for i in $(seq -w 1 13); do
  [ -s "p$i.jpg" ] || "$convert" -size 800x600 -seed "$i" plasma:fractal -blur 0x1 -quality 92 "p$i.jpg"
done
bench_music 100

args=()
for t in $(seq 0 12); do args+=(-t "$t" "p$(printf %02d $((t + 1))).jpg"); done
"$bin" make -q -W 800 -H 600 -s 3 -m music.mp3 "${args[@]}" -o album.swf
frames=$("$bin" info --summary album.swf | sed -n 's/.*frames: \([0-9]*\) (ShowFrame tags).*/\1/p')
seconds=$(awk -v f="$frames" 'BEGIN { printf "%.2f", f / 12 }')

# FFmpeg's slide show: picture k shown for D seconds, each crossing into the
# next over T seconds (the album's 800 x 600 wipes take 52 frames), so that
# it lasts as long as the album: 13 D - 12 T = album length.
xfade_show "$seconds" 12 p jpg
ffmpeg_show() {
  ffmpeg -y -loglevel error "${inputs[@]}" -i music.mp3 -filter_complex "${chain%;}" -map "[v]" -map 13:a \
    -c:v libx264 -preset "$preset" -crf "$crf" -r 12 -c:a aac -b:a 96k -ac 1 -t "$seconds" \
    -movflags +faststart ffmpeg.mp4
}
ours() { "$bin" video -q album.swf -o ours.mp4 --crf "$crf" --preset "$preset"; }

t_ours=$(best_of 2 ours)
t_ffmpeg=$(best_of 2 ffmpeg_show)
t_webm=
if [ "${BENCH_WEBM:-0}" = 1 ]; then
  t0=$EPOCHREALTIME
  "$bin" video -q album.swf -o ours.webm --preset "$preset"
  t_webm=$(seconds_since "$t0" 2)
fi

vs_ffmpeg=$(ratio "$t_ffmpeg" "$t_ours")
vs_play=$(ratio "$seconds" "$t_ours")
duration() { ffprobe -v error -show_entries format=duration -of csv=p=0 "$1"; }
cat <<REPORT
slidewright video benchmark: 13 pictures of 800 x 600, 3 s each with music ($frames frames, $seconds s at 12 fps),
H.264 preset $preset CRF $crf and AAC (best of $reps runs, wall-clock seconds, $(nproc) cores)

  slidewright video album.swf -o ours.mp4 --crf $crf --preset $preset   $t_ours s
  ffmpeg slide show with xfade, same size, rate, length, codec, preset, CRF  $t_ffmpeg s
$( [ -n "$t_webm" ] && echo "  slidewright video album.swf -o ours.webm --preset $preset (one run)   $t_webm s" )

  ffmpeg / ours:        ${vs_ffmpeg}x   (goal at least 1x: $(verdict "$vs_ffmpeg" 1 min))
  playing time / ours:  ${vs_play}x   (goal at least 10x: $(verdict "$vs_play" 10 min))
  ours.mp4: $(stat -c %s ours.mp4) bytes, $(duration ours.mp4) s; ffmpeg.mp4: $(stat -c %s ffmpeg.mp4) bytes, $(duration ffmpeg.mp4) s

The ffmpeg command (in $work):
  ffmpeg $(printf '%q ' "${inputs[@]}")-i music.mp3 -filter_complex '${chain%;}' -map '[v]' -map 13:a -c:v libx264 -preset $preset -crf $crf -r 12 -c:a aac -b:a 96k -ac 1 -t $seconds -movflags +faststart ffmpeg.mp4
REPORT
