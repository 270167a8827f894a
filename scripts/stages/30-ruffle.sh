#!/usr/bin/env bash
# Agreement with an independent player: makes an album with every transition,
# picks for each transition its first, a middle and its last frame and a hold
# frame, plays a single-frame copy of the movie for each of them in the
# independent player (npm package, self-hosted, in headless Chromium) and
# compares its pictures with this player's. Pictures and difference images
# stay in build/ruffle-compare for inspection.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
build=${SLIDEWRIGHT_BUILD:-$root/build}
work="$build/ruffle-compare"
rm -rf "$work"
mkdir -p "$work/pictures" "$work/frames" "$work/odd/pictures" "$work/odd/frames"

cmake --build "$build" --target player-album-fixture player-frame-compare -j2 >/dev/null

echo "-- installing the independent player and the browser driver"
(cd player/ruffle && npm ci --no-audit --no-fund --loglevel=error)

# 320 x 240 keeps the run short; one second of hold gives hold frames.
"$build/player/player-album-fixture" "$work/album.swf" "$work/pictures" --size 320x240 --pause 1
"$build/player/player-frame-compare" probe "$work/album.swf" "$work/frames"
node player/ruffle/capture.mjs "$work/frames" 320 240

# Odd sizes round the centre, strips and circle differently; every transition
# plays over the bare background here.
"$build/player/player-album-fixture" "$work/odd/album.swf" "$work/odd/pictures" --size 251x187 \
  --pause 1 --transitions 4,11,10,12,9,7 --over-background 1 --loop 0
"$build/player/player-frame-compare" probe "$work/odd/album.swf" "$work/odd/frames"
node player/ruffle/capture.mjs "$work/odd/frames" 251 187

status=0
"$build/player/player-frame-compare" check "$work/frames" || status=1
"$build/player/player-frame-compare" check "$work/odd/frames" || status=1
exit $status
