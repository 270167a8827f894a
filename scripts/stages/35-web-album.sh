#!/usr/bin/env bash
# A web album as a viewer meets it: `slidewright web` writes the folder, a
# plain static server (Python's) serves it on 127.0.0.1, and headless
# Chromium opens the page: the first picture must show within a few seconds,
# exactly as this player draws it; the play/pause button must work; the page
# must fit a phone's screen and ask for nothing outside the folder.
# Screenshots stay in build/web-check for inspection.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
build=${SLIDEWRIGHT_BUILD:-$root/build}
work="$build/web-check"
rm -rf "$work"
mkdir -p "$work/pictures"

cmake --build "$build" --target slidewright player-album-fixture player-frame-compare -j2 >/dev/null
echo "-- installing the browser driver"
(cd player/ruffle && npm ci --no-audit --no-fund --loglevel=error)

# 400 x 300, the first picture faded in (27 frames) and held 3 s, with music.
sox -q -n -r 44100 -c 1 "$work/tune.wav" synth 12 pluck A3 pluck E4 tremolo 3 50 gain -6
lame --quiet -b 64 "$work/tune.wav" "$work/tune.mp3"
"$build/player/player-album-fixture" "$work/album.swf" "$work/pictures" --size 400x300 --pause 3 \
  --transitions 9,0,4 --music "$work/tune.mp3" >/dev/null
"$build/cli/slidewright" web "$work/album.swf" -o "$work/site"
# The first picture as this player draws it, in the middle of its hold.
"$build/cli/slidewright" render "$work/album.swf" --frame 45 -o "$work/first-picture.png"

python3 -m http.server 0 --bind 127.0.0.1 --directory "$work/site" >"$work/server.log" 2>&1 &
server=$!
trap 'kill $server 2>/dev/null || true' EXIT
port=
for _ in $(seq 50); do
  port=$(sed -n 's/.*port \([0-9]*\).*/\1/p' "$work/server.log" | head -1)
  [ -n "$port" ] && break
  sleep 0.1
done
[ -n "$port" ] || { echo "the web server did not start:" >&2; cat "$work/server.log" >&2; exit 1; }

node export/web/check.mjs "http://127.0.0.1:$port/" "$work/shots" 400 300
"$build/player/player-frame-compare" match "$work/first-picture.png" "$work"/shots/shot-*.png >"$work/match.txt" || {
  tail -5 "$work/match.txt" >&2
  echo "the page did not show the first picture" >&2
  exit 1
}
first=$(sed -n 's/^first match: .*shot-0*\([0-9][0-9]*\)\.png$/\1/p' "$work/match.txt")
# The time is told, not judged: on a busy machine the browser alone can take
# seconds, and speed is measured by the benchmarks, not by this check.
echo "web album: the first picture showed ${first} ms after the page was opened"
