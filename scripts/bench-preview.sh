#!/usr/bin/env bash
# CPU use of the preview: the movie-view control plays an 800 x 600 album
# (all thirteen transitions, 2 s per picture, with music) at 12 fps in an
# 800 x 600 window under 64-bit Wine for BENCH_SECONDS (default 20) and
# reports the process's CPU time divided by the wall time (GetProcessTimes
# inside the program), beside the CPU that Wine's server and the X server
# spent meanwhile (/proc/PID/stat), which a real Windows desktop spends in its
# own compositor instead.
#
#   bash scripts/bench-preview.sh     (after scripts/stages/20-windows.sh or a
#                                      build of movieview-bench in build-win64/,
#                                      and of player-album-fixture in build/)
#
# Sound: Wine gets a null ALSA device (a private HOME with an .asoundrc), so
# the audio back end mixes and hands out the sound as it would on a machine
# with a sound card.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${BENCH_SECONDS:-20}
size=${BENCH_SIZE:-800x600}   # the control's size; 1024x768 is the screensaver on Xvfb's screen
bench=${BENCH_EXE:-$root/build-win64/app/movieview-bench.exe}
fixture=${BENCH_FIXTURE:-$root/build/player/player-album-fixture}
[ -f "$bench" ] || { echo "bench-preview.sh: $bench is missing (cmake --build build-win64 --target movieview-bench)" >&2; exit 1; }
[ -x "$fixture" ] || { echo "bench-preview.sh: $fixture is missing (cmake --build build --target player-album-fixture)" >&2; exit 1; }
work=$(mktemp -d /tmp/slidewright-bench-preview.XXXXXX)
export HOME=$work/home
mkdir -p "$HOME"
printf 'pcm.!default { type null }\nctl.!default { type hw card 0 }\n' >"$HOME/.asoundrc"

# A minute of music, so that it plays throughout.
music=()
if command -v sox >/dev/null && command -v lame >/dev/null; then
  sox -n -r 44100 -c 2 "$work/tone.wav" synth 60 sine 440 vol 0.3
  lame --silent -b 128 "$work/tone.wav" "$work/song.mp3"
  music=(--music "$work/song.mp3")
fi
mkdir -p "$work/pictures"
"$fixture" "$work/album.swf" "$work/pictures" --size 800x600 --pause 2 "${music[@]}" >/dev/null

. "$root/scripts/wine/env.sh"
unset DISPLAY WINEPREFIX
SLIDEWRIGHT_WINE_ARCH=win64
cleanup() { wine_env_stop; rm -rf "$work"; }
trap cleanup EXIT
wine_env_start

ticks() { awk '{print $14 + $15}' "/proc/$1/stat" 2>/dev/null || echo 0; }
# This session's own server and display, not those of other Wine users.
server=
for pid in $(pgrep wineserver || true); do
  { tr '\0' '\n' <"/proc/$pid/environ"; } 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" && server=$pid
done
xvfb=${_wine_xvfb_pid:-}
s0=$([ -n "$server" ] && ticks "$server" || echo 0)
x0=$([ -n "$xvfb" ] && ticks "$xvfb" || echo 0)
"$WINELOADER" "$bench" "$work/album.swf" "$seconds" "$size" | sed 's/\r$//'
s1=$([ -n "$server" ] && ticks "$server" || echo 0)
x1=$([ -n "$xvfb" ] && ticks "$xvfb" || echo 0)
hz=$(getconf CLK_TCK)
awk -v s=$((s1 - s0)) -v x=$((x1 - x0)) -v hz="$hz" -v t="$seconds" \
  'BEGIN { printf "meanwhile: wineserver %.1f %% and Xvfb %.1f %% of one core\n", 100 * s / hz / t, 100 * x / hz / t }'
