#!/usr/bin/env bash
# Agreement with an independent player: makes an album with every transition,
# picks for each transition its first, a middle and its last frame and a hold
# frame, plays a single-frame copy of the movie for each of them in the
# independent player (npm package, self-hosted, in headless Chromium) and
# compares its pictures with this player's. Pictures and difference images
# stay in build/ruffle-compare for inspection.
#
#   bash scripts/stages/30-ruffle.sh [GROUP...]
#
# GROUP: `transitions` (every transition at 320 x 240), `odd` (odd sizes over
# the bare background), `motion` (every motion on wipes, the circle, strips,
# blinds and the cross-fade), `caption` (captions in Chinese and Latin letters
# over still pictures and over a still and a moving one); all of them by default.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
build=${SLIDEWRIGHT_BUILD:-$root/build}
work="$build/ruffle-compare"
rm -rf "$work"
mkdir -p "$work/pictures" "$work/frames" "$work/odd/pictures" "$work/odd/frames" "$work/motion" "$work/caption"

groups=("$@")
[ ${#groups[@]} -gt 0 ] || groups=(transitions odd motion caption)
for g in "${groups[@]}"; do
  case $g in
    transitions | odd | motion | caption) ;;
    *)
      echo "unknown group '$g' (transitions, odd, motion, caption)" >&2
      exit 2
      ;;
  esac
done

cmake --build "$build" --target player-album-fixture player-frame-compare slidewright -j2 >/dev/null

echo "-- installing the independent player and the browser driver"
(cd player/ruffle && npm ci --no-audit --no-fund --loglevel=error)

# The fixture's pictures, written once, serve every group.
"$build/player/player-album-fixture" "$work/album.swf" "$work/pictures" --size 320x240 --pause 1
"$build/player/player-album-fixture" "$work/odd/album.swf" "$work/odd/pictures" --size 251x187 \
  --pause 1 --transitions 4,11,10,12,9,7 --over-background 1 --loop 0

compare() { # DIR MOVIE WIDTH HEIGHT
  mkdir -p "$1"
  "$build/player/player-frame-compare" probe "$2" "$1"
  node player/ruffle/capture.mjs "$1" "$3" "$4"
}

status=0
for g in "${groups[@]}"; do
  echo "-- $g"
  case $g in
    # 320 x 240 keeps the run short; one second of hold gives hold frames.
    transitions)
      compare "$work/frames" "$work/album.swf" 320 240
      dir="$work/frames"
      ;;
    # Odd sizes round the centre, strips and circle differently; every
    # transition plays over the bare background here.
    odd)
      compare "$work/odd/frames" "$work/odd/album.swf" 251 187
      dir="$work/odd/frames"
      ;;
    # Each motion, its placement matrices on the cross-fade and after the
    # wipes, its bitmap-fill matrices during the morph transitions; a picture
    # of other proportions carries its bars as it moves.
    motion)
      p="$work/pictures"
      "$build/cli/slidewright" make -q -W 320 -H 240 -s 1 -b "#336699" --seed 3 \
        --motion zoom-in -t left-to-right "$p/picture0.jpg" --motion zoom-out -t circle "$p/picture1.jpg" \
        --motion pan-left -t fade "$p/picture2.jpg" --motion pan-right -t strips "$p/picture3.jpg" \
        --motion pan-up -t diagonal-top-left "$p/picture4.jpg" --motion pan-down -t blinds "$p/picture5.jpg" \
        --motion auto -t fade "$p/picture6.jpg" --motion auto -t rectangle "$work/odd/pictures/picture0.jpg" \
        -o "$work/motion/album.swf"
      compare "$work/motion/frames" "$work/motion/album.swf" 320 240
      dir="$work/motion/frames"
      moving=--moving
      ;;
    # The caption's band and glyph outlines and its fade in and out: an album
    # of still pictures, then one whose second picture zooms (every slide of
    # an album with motion is placed frame by frame).
    caption)
      p="$work/pictures"
      for kind in still moving; do
        second=none
        [ $kind = still ] || second=zoom-in
        "$build/cli/slidewright" make -q -W 320 -H 240 -s 2 -b "#336699" \
          --caption "海边的日落 Sunset by the sea" -t fade "$p/picture0.jpg" \
          --caption "生日快乐, Bob! 2024" --motion "$second" -t circle "$p/picture1.jpg" \
          -o "$work/caption/$kind.swf"
        compare "$work/caption/$kind" "$work/caption/$kind.swf" 320 240
      done
      "$build/player/player-frame-compare" check "$work/caption/still" || status=1
      dir="$work/caption/moving"
      moving=--moving
      ;;
  esac
  "$build/player/player-frame-compare" check "$dir" ${moving:-} || status=1
  moving=
done
exit $status
