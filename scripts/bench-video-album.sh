#!/usr/bin/env bash
# Benchmark of an album made straight into a video, side by side in one run:
# 13 pictures of 4000 x 3000 (3 s each, one of each transition, with music)
# made into 1920 x 1080 at 30 fps, H.264 CRF 23 preset fast, by
#   - `slidewright make ... -o ours.mp4 --size 1920x1080 --fps 30`,
#   - FFmpeg's command line making the same slide show with xfade (the
#     pictures fitted to 1920 x 1080 beforehand, as it needs; not timed),
#   - x264 alone encoding the same frames from raw video (our video decoded
#     to yuv420p beforehand; not timed): the floor of any encoder on them.
# Each time is the best of BENCH_REPS runs (default 3), wall clock. The load
# average before and after is printed: the machine may be shared.
#   bash scripts/bench-video-album.sh        (after scripts/build-native.sh)
# Installs ffmpeg and x264 itself (scripts/install-deps.sh bench). Inputs go once into BENCH_DIR
# (default out/bench-video-album) and are reused.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=${SLIDEWRIGHT_BIN:-$root/build/cli/slidewright}
work=${BENCH_DIR:-$root/out/bench-video-album}
reps=${BENCH_REPS:-3}
. "$root/scripts/lib/bench.sh"
crf=23 preset=fast fps=30 size=1920x1080
[ -x "$bin" ] || { echo "bench-video-album.sh: $bin is missing; build first" >&2; exit 1; }
command -v ffmpeg >/dev/null && command -v x264 >/dev/null || bash "$root/scripts/install-deps.sh" bench
convert=/usr/bin/convert
[ -x "$convert" ] || convert=convert

mkdir -p "$work"
cd "$work"
for i in $(seq -w 1 13); do
  [ -s "p$i.jpg" ] || "$convert" -size 4000x3000 -seed "$i" plasma:fractal -blur 0x1 -quality 92 "p$i.jpg"
  # FFmpeg's xfade needs frames of one size: fitted into 1440 x 1080 and
  # centred between black bars, as the album (4:3) fits into 16:9.
  [ -s "f$i.png" ] || "$convert" "p$i.jpg" -resize 1440x1080 -background black -gravity center \
    -extent 1920x1080 "f$i.png"
done
bench_music 60

args=()
for t in $(seq 0 12); do args+=(-t "$t" "p$(printf %02d $((t + 1))).jpg"); done
ours() {
  "$bin" make -q -W 800 -H 600 -b '#000000' -s 3 -m music.mp3 "${args[@]}" -o ours.mp4 --size "$size" \
    --fps "$fps" --crf "$crf" --preset "$preset"
}
ours
seconds=$(ffprobe -v error -show_entries format=duration -of csv=p=0 ours.mp4)

# FFmpeg's slide show lasting as long: 13 D - 12 T = length, T = 4.33 s.
xfade_show "$seconds" "$fps" f png
ffmpeg_show() {
  ffmpeg -y -loglevel error "${inputs[@]}" -i music.mp3 -filter_complex "${chain%;}" -map "[v]" -map 13:a \
    -c:v libx264 -preset "$preset" -crf "$crf" -r "$fps" -c:a aac -ac 2 -t "$seconds" -movflags +faststart \
    ffmpeg.mp4
}
[ -s frames.yuv ] || ffmpeg -y -loglevel error -i ours.mp4 -f rawvideo -pix_fmt yuv420p frames.yuv
x264_alone() {
  x264 --quiet --crf "$crf" --preset "$preset" --fps "$fps" --input-res "$size" -o x264.264 frames.yuv
}

load_before=$(cut -d' ' -f1-3 /proc/loadavg)
t_ours=$(best_of 2 ours)
t_ffmpeg=$(best_of 2 ffmpeg_show)
t_x264=$(best_of 2 x264_alone)
load_after=$(cut -d' ' -f1-3 /proc/loadavg)
vs_ffmpeg=$(ratio "$t_ffmpeg" "$t_ours")
vs_x264=$(ratio "$t_ours" "$t_x264")
cat <<REPORT
Album video benchmark: 13 pictures of 4000 x 3000, 3 s each with music, $size at $fps fps ($seconds s),
H.264 preset $preset CRF $crf (best of $reps runs, wall-clock seconds, $(nproc) cores;
load average $load_before before, $load_after after)

  slidewright make ... -o ours.mp4 --size $size --fps $fps   $t_ours s
  ffmpeg slide show with xfade, same size, rate, codec, CRF, preset   $t_ffmpeg s
  x264 alone on the same frames from raw yuv420p                     $t_x264 s

  ffmpeg / ours:  ${vs_ffmpeg}x   (goal at least 1.5x: $(verdict "$vs_ffmpeg" 1.5 min))
  ours / x264:    ${vs_x264}x   (goal at most 1.3x: $(verdict "$vs_x264" 1.3 max))

Our command (in $work):
  $bin make -q -W 800 -H 600 -b '#000000' -s 3 -m music.mp3 ${args[*]} -o ours.mp4 --size $size --fps $fps --crf $crf --preset $preset
The ffmpeg command:
  ffmpeg $(printf '%q ' "${inputs[@]}")-i music.mp3 -filter_complex '${chain%;}' -map '[v]' -map 13:a -c:v libx264 -preset $preset -crf $crf -r $fps -c:a aac -ac 2 -t $seconds -movflags +faststart ffmpeg.mp4
The x264 command:
  x264 --crf $crf --preset $preset --fps $fps --input-res $size -o x264.264 frames.yuv
REPORT
