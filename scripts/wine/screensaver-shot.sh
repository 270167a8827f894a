#!/usr/bin/env bash
# Makes a screensaver of a 640 x 480 album with `slidewright screensaver`
# (the Windows command, which carries the player), runs it full screen with
# "/s" under Wine on a virtual display, saves a screenshot to a PNG, then
# closes it as a user would, by moving the mouse, and checks that it ended
# and left no temporary movie behind.
#
#   bash scripts/wine/screensaver-shot.sh [output.png] [build-folder]
#
# Defaults: screensaver.png in the current folder, build-win64/ of the clone;
# the album is made by build/player/player-album-fixture (native build).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
out=$(realpath -m "${1:-screensaver.png}")
build=${2:-$root/build-win64}
fixture=$root/build/player/player-album-fixture
for f in "$build/cli/slidewright.exe" "$fixture"; do
  [ -e "$f" ] || { echo "screensaver-shot.sh: $f is missing" >&2; exit 1; }
done
command -v xdotool >/dev/null || { echo "xdotool is needed (apt-get install xdotool)" >&2; exit 1; }

. "$root/scripts/wine/env.sh"
unset DISPLAY WINEPREFIX
SLIDEWRIGHT_WINE_ARCH=$(wine_arch_of "$build/cli/slidewright.exe")
run=$(mktemp -d /tmp/slidewright-saver-shot.XXXXXX)
cleanup() { wine_env_stop; rm -rf "$run"; }
trap cleanup EXIT
mkdir -p "$run/pictures"
"$fixture" "$run/album.swf" "$run/pictures" --size 640x480 --pause 1 --background 203040 >/dev/null
wine_env_start
wine_run "$build/cli/slidewright.exe" screensaver "$run/album.swf" -o "$run/album.scr"
ls -l "$run/album.scr"

temp=$(find "$WINEPREFIX/drive_c/users" -maxdepth 4 -iname temp -type d | head -n1)
xdotool mousemove 300 300
(cd "$run" && "$WINELOADER" album.scr /s >/dev/null 2>&1) &
saver=$!
# Wait until the screen is no longer black, then a little longer.
for _ in $(seq 60); do
  import -display "$DISPLAY" -window root "$out"
  [ "$(convert "$out" -format '%[fx:mean>0.05]' info:)" = 1 ] && break
  sleep 0.5
done
sleep 1.5
import -display "$DISPLAY" -window root "$out"
echo "screenshot: $out"
echo "temporary movies while it runs: $(ls "$temp" 2>/dev/null | grep -ci '^~ff' || true)"
xdotool mousemove 303 301
sleep 1
if kill -0 "$saver" 2>/dev/null; then echo "after a move of 3 right, 1 down: still running"; fi
xdotool mousemove 303 302
for _ in $(seq 50); do
  kill -0 "$saver" 2>/dev/null || break
  sleep 0.2
done
if kill -0 "$saver" 2>/dev/null; then
  echo "after a move of 3 right, 2 down: STILL RUNNING" >&2
  kill "$saver"
  exit 1
fi
echo "after a move of 3 right, 2 down: closed"
echo "temporary movies after it closed: $(ls "$temp" 2>/dev/null | grep -ci '^~ff' || true)"
