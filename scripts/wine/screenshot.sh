#!/usr/bin/env bash
# Starts the built Slidewright.exe under wine on a virtual display, saves a
# screenshot of the screen with its main window to a PNG, and closes it.
#
#   bash scripts/wine/screenshot.sh [output.png] [build-folder]
#
# Defaults: slidewright-window.png in the current folder, build-win64/ of the
# clone. The Wine of the program's architecture runs it: 64-bit Wine for
# build-win64/ (every machine), 32-bit Wine for build-win32/ (only where the
# machine runs 32-bit programs). The program runs from a copy of its folder (with its language files
# and skin), so the build folder gets no settings file. After the screenshot
# the window is closed and the settings file it wrote is printed.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
out=$(realpath -m "${1:-slidewright-window.png}")
build=${2:-$root/build-win64}
exe=$build/app/Slidewright.exe
[ -f "$exe" ] || { echo "no $exe: run scripts/stages/20-windows.sh first" >&2; exit 1; }
command -v import >/dev/null || { echo "ImageMagick's import is needed (apt-get install imagemagick)" >&2; exit 1; }

. "$root/scripts/wine/env.sh"
unset DISPLAY WINEPREFIX
SLIDEWRIGHT_WINE_ARCH=$(wine_arch_of "$exe")
run=$(mktemp -d /tmp/slidewright-shot.XXXXXX)
cleanup() { wine_env_stop; rm -rf "$run"; }
trap cleanup EXIT
wine_env_start
cp -r "$build/app/Slidewright.exe" "$run/"
for f in language.cns english.lng interface; do
  [ -e "$build/app/$f" ] && cp -r "$build/app/$f" "$run/"
done

# LC_ALL=zh_CN.GBK gives the program its home code page, 936.
(cd "$run" && env LC_ALL=zh_CN.GBK "$WINELOADER" Slidewright.exe >/dev/null 2>&1) &
program=$!
# Wait until something is drawn on the (black) screen, then a little longer
# for the window to finish painting.
for _ in $(seq 60); do
  import -display "$DISPLAY" -window root "$out"
  [ "$(convert "$out" -format '%[fx:mean>0]' info:)" = 1 ] && break
  sleep 0.5
done
sleep 2
# The window alone: the black screen around it is trimmed away.
import -display "$DISPLAY" -window root -trim +repage "$out"
echo "screenshot: $out"

# Close the window as the skin's close button does (taskkill without /F
# sends WM_CLOSE) and show the settings file the program writes on closing.
wine_run taskkill /IM Slidewright.exe >/dev/null 2>&1 || true
for _ in $(seq 50); do
  kill -0 "$program" 2>/dev/null || break
  sleep 0.2
done
kill "$program" 2>/dev/null || true
if [ -f "$run/slidewright.ini" ]; then
  echo "slidewright.ini written on closing:"
  sed 's/\r$//; s/^/    /' "$run/slidewright.ini"
fi
