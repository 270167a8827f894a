#!/usr/bin/env bash
# The Windows command's exports, run under Wine and checked with the native
# build's tools:
#
#   windows_exports.sh video NATIVE_BUILD SLIDEWRIGHT_EXE WORKDIR
#       an album movie with music made into an MP4 by both commands; the
#       Windows one must agree with the native one frame by frame (PSNR at
#       least 35 dB), in length and streams (H.264 and AAC)
#   windows_exports.sh web NATIVE_BUILD SLIDEWRIGHT_EXE WORKDIR
#       a web folder made by the Windows command with the player's files it
#       finds beside itself: the page, the movie and every file the page loads
set -euo pipefail
mode=$1 native=$2 exe=$3 work=$4
root=$(cd "$(dirname "$0")/../.." && pwd)

need() {
  [ -x "$native/$1" ] ||
    { echo "$native/$1 is missing: build the native tree first (bash scripts/build-native.sh)" >&2; exit 1; }
}
need player/player-album-fixture
rm -rf "$work"
mkdir -p "$work/pictures"

case $mode in
  video)
    need cli/slidewright
    need export/export-video-agree
    command -v sox >/dev/null || { echo "sox is missing (bash scripts/install-deps.sh native)" >&2; exit 1; }
    sox -q -n -r 44100 -c 2 "$work/song.mp3" synth 6 sine 440 sine 660
    "$native/player/player-album-fixture" "$work/album.swf" "$work/pictures" --size 320x240 \
      --transitions 0,4,9,11,12 --music "$work/song.mp3"
    "$root/scripts/wine/run.sh" "$exe" video -q "$work/album.swf" -o "$work/windows.mp4"
    "$native/cli/slidewright" video -q "$work/album.swf" -o "$work/native.mp4"
    "$native/export/export-video-agree" "$work/native.mp4" "$work/windows.mp4" --min-psnr 35 \
      --video h264 --audio aac
    # A WebM, which this build cannot write, is refused as such, with nothing left behind.
    status=0
    "$root/scripts/wine/run.sh" "$exe" video -q "$work/album.swf" -o "$work/windows.webm" 2>"$work/webm.err" ||
      status=$?
    [ "$status" = 1 ] && grep -q "writes no WebM videos" "$work/webm.err" ||
      { echo "a WebM asked of the Windows build: exit $status, $(cat "$work/webm.err")" >&2; exit 1; }
    [ -z "$(find "$work" -maxdepth 1 -name 'windows.webm*')" ] || { echo "a WebM was left behind" >&2; exit 1; }
    ;;
  web)
    "$native/player/player-album-fixture" "$work/album.swf" "$work/pictures" --size 320x240 --transitions 4
    "$root/scripts/wine/run.sh" "$exe" web -q "$work/album.swf" -o "$work/site"
    site=$work/site
    for f in index.html album.swf .slidewright-web ruffle/ruffle.js; do
      [ -s "$site/$f" ] || { echo "the web folder has no $f" >&2; exit 1; }
    done
    cmp "$work/album.swf" "$site/album.swf"
    ls "$site"/ruffle/*.wasm >/dev/null 2>&1 || { echo "the web folder has no player module (.wasm)" >&2; exit 1; }
    # Every script the page loads and the movie it names are in the folder.
    grep -o 'src="[^"]*"' "$site/index.html" | sed 's/^src="//; s/"$//' | while read -r src; do
      [ -s "$site/$src" ] || { echo "the page loads $src, which is not in the folder" >&2; exit 1; }
    done
    grep -q '"album.swf"' "$site/index.html" || { echo "the page does not name the movie" >&2; exit 1; }
    echo "web folder complete: $(ls "$site" | tr '\n' ' ')"
    ;;
  *) echo "usage: windows_exports.sh video|web NATIVE_BUILD SLIDEWRIGHT_EXE WORKDIR" >&2; exit 2 ;;
esac
