#!/usr/bin/env bash
# Photographs the picture context menu under wine on a virtual display, in
# both languages: with its transition submenu open (flat and classic look)
# and for an empty picture list.
#
#   bash scripts/wine/menu-screenshots.sh [output-folder] [build-folder]
#
# Defaults: menu-screenshots/ in the current folder, build-win64/ of the
# clone (which must hold app/picture_menu_shot.exe: build the target
# picture_menu_shot). Writes menu-<language>-<scene>.png for the languages
# chinese and english and the scenes open, empty and classic.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
out=$(realpath -m "${1:-menu-screenshots}")
build=${2:-$root/build-win64}
exe=$build/app/picture_menu_shot.exe
[ -f "$exe" ] || { echo "no $exe: build the target picture_menu_shot first" >&2; exit 1; }
command -v import >/dev/null || { echo "ImageMagick's import is needed (apt-get install imagemagick)" >&2; exit 1; }
mkdir -p "$out"

. "$root/scripts/wine/env.sh"
unset DISPLAY WINEPREFIX
SLIDEWRIGHT_WINE_ARCH=$(wine_arch_of "$exe")
run=$(mktemp -d /tmp/slidewright-menushot.XXXXXX)
cleanup() { wine_env_stop; rm -rf "$run"; }
trap cleanup EXIT
wine_env_start

cp "$exe" "$build/app/language.cns" "$build/app/english.lng" "$run/"
for language in chinese english; do
  if [ "$language" = english ]; then
    printf '[Setting]\r\nLanguageID=2\r\n[Language2]\r\nDisp=English\r\nFile=english.lng\r\n' >"$run/slidewright.ini"
  else
    rm -f "$run/slidewright.ini"
  fi
  for scene in open empty classic; do
    shot=$out/menu-$language-$scene.png
    log=$run/$language-$scene.log
    (cd "$run" && env LC_ALL=zh_CN.GBK "$WINELOADER" picture_menu_shot.exe "$scene" 20 >"$log" 2>&1) &
    program=$!
    for _ in $(seq 100); do
      grep -q ready "$log" 2>/dev/null && break
      sleep 0.2
    done
    grep -q ready "$log" || { echo "$language $scene: the menu did not open" >&2; cat "$log" >&2; exit 1; }
    sleep 0.5
    # The program's window (560 x 420 at the top left) with the menus over it.
    import -display "$DISPLAY" -window root -crop 560x420+0+0 +repage "$shot"
    echo "screenshot: $shot"
    kill "$program" 2>/dev/null || true
    wait "$program" 2>/dev/null || true
  done
done
