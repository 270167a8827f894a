#!/usr/bin/env bash
# Starts the built Slidewright.exe under wine on a virtual display, saves a
# screenshot of the screen with its main window to a PNG, and closes it.
#
#   bash scripts/wine/screenshot.sh [--english] [--pictures] [output.png] [build-folder]
#
# Defaults: slidewright-window.png in the current folder, build-win64/ of the
# clone. The Wine of the program's architecture runs it: 64-bit Wine for
# build-win64/ (every machine), 32-bit Wine for build-win32/ (only where the
# machine runs 32-bit programs). The program runs from a copy of its folder (with its language files
# and skin), so the build folder gets no settings file. After the screenshot
# the window is closed and the settings file it wrote is printed.
#
# --pictures  makes 13 pictures of different shapes (landscape, portrait,
#             square, panorama, tall, transparent PNG and GIF, BMP) with
#             ImageMagick, starts the program with them on its command line
#             (as "Open with" or "Send to" would), and, where xdotool is
#             installed, clicks the second picture and Ctrl-clicks the
#             fourth, so that the selection shows; then right-clicks the
#             fourth picture and opens the transition submenu of the context
#             menu (NAME-menu.png), chooses its third transition for the two
#             pictures; opens the motion submenu the same way
#             (NAME-motion.png) and chooses zoom-in for them; types a caption
#             of two lines, Chinese and Latin, into the caption dialog
#             (NAME-caption.png) and gives it to them; lets the pointer rest
#             on the fourth until the information tip shows (NAME-tip.png,
#             with the motion and the caption), drags the film strip to its
#             end (NAME-end.png), and presses the make-album button
#             (NAME-made.png, the new album playing in the preview) and
#             photographs the preview while the second picture is held with
#             its caption (NAME-captioned.png); then rests the pointer on the
#             make-video button until its tip shows (NAME-video.png).
# --english   the program speaks English (english.lng, chosen by the settings
#             file it starts with) instead of Chinese.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
with_pictures= english=
while [ $# -gt 0 ]; do
  case $1 in
    --pictures) with_pictures=1 ;;
    --english) english=1 ;;
    *) break ;;
  esac
  shift
done
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
if [ -n "$english" ]; then
  printf '[Setting]\r\nLanguageID=2\r\n[Language2]\r\nDisp=English\r\nFile=english.lng\r\n' >"$run/slidewright.ini"
fi

# Thirteen pictures of different shapes and kinds, in the order of their names.
pictures=()
if [ -n "$with_pictures" ]; then
  convert=/usr/bin/convert
  [ -x "$convert" ] || convert=convert
  mkdir -p "$run/pictures"
  (
    cd "$run/pictures"
    "$convert" -size 640x480 gradient:'#1e6fd9-#9fd3ff' -fill '#ffd34d' -draw 'circle 480,120 530,120' \
      -fill '#2f7d32' -draw 'polygon 0,480 200,260 380,480' -draw 'polygon 250,480 470,300 640,480' 01-landscape.jpg
    "$convert" -size 480x640 gradient:'#ff9a8b-#ff6a88' -fill white -draw 'circle 240,240 240,330' \
      -fill '#7a1f3d' -draw 'rectangle 200,330 280,600' 02-portrait.jpg
    "$convert" -size 500x500 -seed 3 plasma:fractal -blur 0x2 03-square.jpg
    "$convert" -size 400x300 xc:none -fill '#e53935' -draw 'circle 200,150 200,40' \
      -fill white -draw 'circle 170,120 170,100' 04-transparent.png
    "$convert" -size 1600x400 gradient:'#0f2027-#2c5364' -fill '#f9d423' -draw 'rectangle 100,150 1500,250' \
      05-panorama.jpg
    "$convert" -size 300x900 gradient:'#c6ffdd-#f7797d' 06-tall.png
    "$convert" -size 800x600 pattern:checkerboard -fill '#673ab7' -draw 'rectangle 200,150 600,450' 07-checker.png
    "$convert" -size 1024x768 -seed 8 plasma:'#ff0000-#0000ff' 08-plasma.jpg
    "$convert" -size 640x480 xc:none -fill '#00897b' -draw 'roundrectangle 80,80 560,400 40,40' 09-transparent.gif
    "$convert" -size 600x800 gradient:'#43cea2-#185a9d' -fill '#ffeb3b' \
      -draw 'polygon 300,150 360,330 540,330 395,440 450,620 300,510 150,620 205,440 60,330 240,330' 10-star.bmp
    "$convert" -size 256x256 xc:none -fill '#3f51b5' -draw 'roundrectangle 20,20 236,236 50,50' \
      -fill white -draw 'polygon 100,70 100,186 190,128' 11-icon.png
    "$convert" -size 1200x900 gradient:'#fceabb-#f8b500' -fill '#5d4037' -draw 'ellipse 600,600 400,120 0,360' \
      12-sunset.jpg
    "$convert" -size 900x300 xc:'#263238' -fill '#80cbc4' -draw 'rectangle 60,120 840,180' \
      -fill '#ffab40' -draw 'circle 450,150 450,60' 13-banner.jpg
  )
  for f in "$run"/pictures/*; do pictures+=("Z:$f"); done
fi

# LC_ALL=zh_CN.GBK gives the program its home code page, 936.
(cd "$run" && env LC_ALL=zh_CN.GBK "$WINELOADER" Slidewright.exe "${pictures[@]}" >/dev/null 2>&1) &
program=$!
# Wait until something is drawn on the (black) screen, then a little longer
# for the window to finish painting.
for _ in $(seq 60); do
  import -display "$DISPLAY" -window root "$out"
  [ "$(convert "$out" -format '%[fx:mean>0]' info:)" = 1 ] && break
  sleep 0.5
done
sleep 2
if [ -n "$with_pictures" ] && command -v xdotool >/dev/null; then
  # The window sits at the screen's top-left corner; the strip's cells are
  # 100 pixels apart, the first thumbnail centred near x = 107.
  read -r wx wy < <(xdotool search --name 'Slidewright$' getwindowgeometry 2>/dev/null |
    sed -n 's/.*Position: \([0-9]*\),\([0-9]*\).*/\1 \2/p' | head -n1) || true
  wx=${wx:-0} wy=${wy:-0}
  DISPLAY=$DISPLAY xdotool mousemove $((wx + 207)) $((wy + 85)) click 1
  sleep 0.3
  DISPLAY=$DISPLAY xdotool keydown ctrl mousemove $((wx + 407)) $((wy + 85)) click 1 keyup ctrl
  DISPLAY=$DISPLAY xdotool mousemove $((wx + 300)) $((wy + 300))
  sleep 0.5
fi
# The window alone: the black screen around it is trimmed away.
import -display "$DISPLAY" -window root -trim +repage "$out"
echo "screenshot: $out"
if [ -n "$with_pictures" ] && command -v xdotool >/dev/null; then
  # The context menu of the selected fourth picture, its transition submenu
  # opened with the keys (Down past the four commands and the separator to
  # the submenu, Right into it, Down twice to the third transition); the
  # menus may reach past the window, so the shot is trimmed around window and
  # menus together.
  menu=${out%.png}-menu.png
  DISPLAY=$DISPLAY xdotool mousemove $((wx + 407)) $((wy + 85)) click 3
  sleep 0.7
  DISPLAY=$DISPLAY xdotool key Down Down Down Down Down Right
  sleep 0.5
  DISPLAY=$DISPLAY xdotool key Down Down
  sleep 0.7
  import -display "$DISPLAY" -window root -trim +repage "$menu"
  echo "screenshot: $menu"
  # Chosen for both selected pictures. The motion submenu the same way (one
  # more Down, past the transitions), its second item: zoom-in.
  DISPLAY=$DISPLAY xdotool key Return
  sleep 0.3
  motion=${out%.png}-motion.png
  DISPLAY=$DISPLAY xdotool mousemove $((wx + 407)) $((wy + 85)) click 3
  sleep 0.7
  DISPLAY=$DISPLAY xdotool key Down Down Down Down Down Down Right
  sleep 0.5
  DISPLAY=$DISPLAY xdotool key Down
  sleep 0.7
  import -display "$DISPLAY" -window root -trim +repage "$motion"
  echo "screenshot: $motion"
  DISPLAY=$DISPLAY xdotool key Return
  sleep 0.3
  # The caption command (eight Downs: the four commands, the two submenus,
  # the hold time, the caption); two lines typed, Ctrl+Enter between them.
  caption=${out%.png}-caption.png
  DISPLAY=$DISPLAY xdotool mousemove $((wx + 407)) $((wy + 85)) click 3
  sleep 0.7
  DISPLAY=$DISPLAY xdotool key Down Down Down Down Down Down Down Down Return
  sleep 1.5
  # A key for a character the keyboard lacks is made as it is typed, and
  # the first one made may reach the program too late and be lost: one such
  # character is typed and taken back first (after a space, which the
  # caption trims if the character was lost and the space taken back).
  DISPLAY=$DISPLAY xdotool type --delay 80 ' 海'
  DISPLAY=$DISPLAY xdotool key BackSpace
  DISPLAY=$DISPLAY xdotool type --delay 80 '海边的日落 Sunset'
  DISPLAY=$DISPLAY xdotool key ctrl+Return
  DISPLAY=$DISPLAY xdotool type --delay 40 'By the sea, 2024'
  sleep 0.5
  import -display "$DISPLAY" -window root -trim +repage "$caption"
  echo "screenshot: $caption"
  DISPLAY=$DISPLAY xdotool key Return
  sleep 0.3
  # The pointer rests on the fourth (a small move, as a hand makes) until
  # the tip shows.
  DISPLAY=$DISPLAY xdotool mousemove $((wx + 410)) $((wy + 88))
  sleep 1.8
  tip=${out%.png}-tip.png
  import -display "$DISPLAY" -window root -trim +repage "$tip"
  echo "screenshot: $tip"
  # The sprocket strip above the pictures drags the strip; far to the left
  # brings the last pictures into view.
  end=${out%.png}-end.png
  for _ in 1 2; do
    DISPLAY=$DISPLAY xdotool mousemove $((wx + 520)) $((wy + 44)) mousedown 1
    for x in 400 200 40; do
      DISPLAY=$DISPLAY xdotool mousemove $((wx + x)) $((wy + 44))
      sleep 0.1
    done
    DISPLAY=$DISPLAY xdotool mouseup 1
  done
  DISPLAY=$DISPLAY xdotool mousemove $((wx + 300)) $((wy + 300))
  sleep 0.5
  import -display "$DISPLAY" -window root -trim +repage "$end"
  echo "screenshot: $end"
  # The make-album button (dialog units 71,218 at 1.5 pixels each, in the
  # client area, which starts below the frame and caption the window's
  # region cuts away): the album is made and plays in the preview.
  made=${out%.png}-made.png
  read -r ww wh < <(xdotool search --name 'Slidewright$' getwindowgeometry 2>/dev/null |
    sed -n 's/.*Geometry: \([0-9]*\)x\([0-9]*\).*/\1 \2/p' | head -n1) || true
  cx=$(( (${ww:-570} - 570) / 2 )) cy=$(( ${wh:-393} - 393 - (${ww:-570} - 570) / 2 ))
  DISPLAY=$DISPLAY xdotool mousemove $((wx + cx + 144)) $((wy + cy + 337)) click 1
  DISPLAY=$DISPLAY xdotool mousemove $((wx + 300)) $((wy + 300))
  sleep 6
  import -display "$DISPLAY" -window root -trim +repage "$made"
  echo "screenshot: $made"
  # The preview while a captioned picture is held: the preview (at 79,175
  # of the window's picture, 180 x 135) is photographed for a while, and the
  # picture kept is the one where the caption's band is darkest over the
  # white bars at both bottom corners (the band greys them evenly; a picture
  # reaching there is coloured, lighter or uneven).
  captioned=${out%.png}-captioned.png best=
  best_light=0.9
  for k in $(seq 50); do
    import -display "$DISPLAY" -window root -trim +repage "$run/frame.png"
    read -r sat light spread < <(convert "$run/frame.png" \( -clone 0 -crop 8x6+82+300 \) \
      \( -clone 0 -crop 8x6+244+300 \) -delete 0 +append +repage -colorspace HSL \
      -format '%[fx:maxima.g] %[fx:mean.b] %[fx:maxima.b-minima.b]\n' info:)
    if awk -v s="$sat" -v l="$light" -v d="$spread" -v b="$best_light" \
      'BEGIN { exit !(s < 0.1 && d < 0.05 && l > 0.3 && l < b) }'; then
      cp "$run/frame.png" "$captioned"
      best=$k best_light=$light
    fi
    sleep 0.15
  done
  if [ -n "$best" ]; then echo "screenshot: $captioned"; else echo "no captioned picture was seen in the preview" >&2; fi
  # The pointer rests on the make-video button (dialog units 180,218) until
  # its tip shows (NAME-video.png).
  video=${out%.png}-video.png
  DISPLAY=$DISPLAY xdotool mousemove $((wx + cx + 300)) $((wy + cy + 337))
  sleep 0.3
  DISPLAY=$DISPLAY xdotool mousemove $((wx + cx + 302)) $((wy + cy + 338))
  sleep 2
  import -display "$DISPLAY" -window root -trim +repage "$video"
  echo "screenshot: $video"
  DISPLAY=$DISPLAY xdotool mousemove $((wx + 300)) $((wy + 300))
fi

# Close the window as the skin's close button does (taskkill without /F
# sends WM_CLOSE) and show the settings file the program writes on closing.
# Pictures in the window are unsaved work: the question about them is
# photographed and answered with its second button, "Don't save".
wine_run taskkill /IM Slidewright.exe >/dev/null 2>&1 || true
for _ in $(seq 10); do
  kill -0 "$program" 2>/dev/null || break
  sleep 0.2
done
if kill -0 "$program" 2>/dev/null && [ -n "$with_pictures" ] && command -v xdotool >/dev/null; then
  question=${out%.png}-question.png
  import -display "$DISPLAY" -window root -trim +repage "$question"
  echo "screenshot: $question"
  DISPLAY=$DISPLAY xdotool key Tab Return
fi
for _ in $(seq 50); do
  kill -0 "$program" 2>/dev/null || break
  sleep 0.2
done
kill "$program" 2>/dev/null || true
if [ -f "$run/slidewright.ini" ]; then
  echo "slidewright.ini written on closing:"
  sed 's/\r$//; s/^/    /' "$run/slidewright.ini"
fi
