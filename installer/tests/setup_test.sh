#!/usr/bin/env bash
# The 64-bit setup program as a user meets it, in a fresh private Wine prefix:
#
#   setup_test.sh SETUP.exe DIST_FOLDER shell_open_probe.exe
#
# installs silently (an administrator's default: for all users), checks every
# file of the ready-to-ship folder in Program Files, the Start-menu shortcut,
# the album file type and the Add/Remove Programs entry; starts the installed
# program and opens an album through the shell, both as a double click would,
# and sees their windows; then uninstalls silently and checks that all of it
# is gone while an album the user kept in the program's folder stays. Then
# the same install and uninstall for the current user alone (/CURRENTUSER).
set -euo pipefail
setup=$1 dist=$2 probe=$3
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

export SLIDEWRIGHT_WINE_ARCH=win64
# A fresh prefix of its own, whatever the calling test run uses; the display
# may be shared. Wine makes no desktop menu entries or file types on the
# host for what the setup program registers.
unset WINEPREFIX
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
# shellcheck source=../../scripts/wine/env.sh
. "$root/scripts/wine/env.sh"
trap wine_env_stop EXIT
wine_env_start
export LC_ALL=zh_CN.GBK

drive_c=$WINEPREFIX/drive_c
installed="$drive_c/Program Files/Slidewright"
instdir='C:\Program Files\Slidewright'

# Prints the default or named value of a registry key, or nothing when there
# is none.
reg_value() { # key [name]
  local args=(/ve)
  [ $# -gt 1 ] && args=(/v "$2")
  wine_run reg query "$1" "${args[@]}" 2>/dev/null | tr -d '\r' |
    sed -n 's/^ *[^ ].*  *REG_[A-Z_]*  *//p' | head -n1 || true
}
reg_exists() { wine_run reg query "$1" >/dev/null 2>&1; }

expect_value() { # key name expected
  local got
  if [ "$2" = "" ]; then got=$(reg_value "$1"); else got=$(reg_value "$1" "$2"); fi
  [ "$got" = "$3" ] || fail "$1 ${2:-(default)} is '$got', not '$3'"
}

# -- install -----------------------------------------------------------------
wine_run "$setup" /S || fail "the silent install exited with $?"

while IFS= read -r -d '' file; do
  rel=${file#"$dist"/}
  cmp -s "$file" "$installed/$rel" || fail "$rel is not installed as shipped"
done < <(find "$dist" -type f -print0)
[ -f "$installed/Uninstall.exe" ] || fail "no Uninstall.exe"
shortcut="$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Slidewright.lnk"
[ -f "$shortcut" ] || fail "no Start-menu shortcut for all users"

classes='HKLM\Software\Classes'
expect_value "$classes\\.swalbum" "" "Slidewright.Album"
expect_value "$classes\\Slidewright.Album\\DefaultIcon" "" "$instdir\\Slidewright.exe,0"
expect_value "$classes\\Slidewright.Album\\shell\\open\\command" "" "\"$instdir\\Slidewright.exe\" \"%1\""

entry='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Slidewright'
version=$(basename "$setup" | sed -n 's/^Slidewright-Setup-\(.*\)-win64\.exe$/\1/p')
expect_value "$entry" DisplayName "Slidewright"
expect_value "$entry" DisplayVersion "$version"
expect_value "$entry" Publisher "Slidewright"
expect_value "$entry" DisplayIcon "$instdir\\Slidewright.exe,0"
expect_value "$entry" InstallLocation "$instdir"
expect_value "$entry" UninstallString "\"$instdir\\Uninstall.exe\""
expect_value "$entry" QuietUninstallString "\"$instdir\\Uninstall.exe\" /S"
# The size in kilobytes of what was installed, within the uninstaller's own.
size_kb=$(( $(reg_value "$entry" EstimatedSize) ))
dist_kb=$(find "$dist" -type f -printf '%s\n' | awk '{ s += $1 } END { print int(s / 1024) }')
[ "$size_kb" -ge "$dist_kb" ] && [ "$size_kb" -le $((dist_kb + 512)) ] ||
  fail "EstimatedSize is $size_kb KB for $dist_kb KB of files"
[ "$failures" -eq 0 ] && echo "installed for all users: files, shortcut, file type and entry"

# -- the installed program ---------------------------------------------------
# An album of one picture, away from the program, opened as a double click
# on it would; and an album the user keeps in the program's folder.
albums="$drive_c/albums"
mkdir -p "$albums"
python3 - "$albums/red.bmp" <<'EOF'
import struct, sys
w = h = 8
row = b"\x00\x00\xff" * w
pixels = row * h
header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
open(sys.argv[1], "wb").write(header + info + pixels)
EOF
printf '{"slidewright-album": 1, "pictures": [{"file": "red.bmp"}]}\n' >"$albums/holiday.swalbum"
printf '{"slidewright-album": 1}\n' >"$installed/kept.swalbum"
cp "$probe" "$drive_c/shell_open_probe.exe"

wine_run 'C:\shell_open_probe.exe' "$instdir\\Slidewright.exe" "Slidewright" ||
  fail "the installed program showed no window"
wine_run 'C:\shell_open_probe.exe' 'C:\albums\holiday.swalbum' "holiday - Slidewright" ||
  fail "opening holiday.swalbum did not open it in the program's window"

# -- uninstall ---------------------------------------------------------------
# As Windows runs it: the quiet uninstall command of the entry. The
# uninstaller copies itself away to be able to delete itself and returns at
# once; its copy removes the entry last, so that is waited for.
quiet=$(reg_value "$entry" QuietUninstallString)
[ "$quiet" = "\"$instdir\\Uninstall.exe\" /S" ] || fail "unexpected quiet uninstall command $quiet"
wine_run "$instdir\\Uninstall.exe" /S || fail "the silent uninstall exited with $?"
for _ in $(seq 120); do
  reg_exists "$entry" || break
  sleep 0.5
done
while IFS= read -r -d '' file; do
  rel=${file#"$dist"/}
  [ ! -e "$installed/$rel" ] || fail "$rel is left after uninstalling"
done < <(find "$dist" -type f -print0)
for folder in interface web-player; do
  [ ! -e "$installed/$folder" ] || fail "the folder $folder is left after uninstalling"
done
[ -f "$installed/kept.swalbum" ] || fail "the user's album in the program's folder was removed"
[ ! -e "$installed/Uninstall.exe" ] || fail "Uninstall.exe is left"
[ ! -e "$shortcut" ] || fail "the Start-menu shortcut is left"
! reg_exists "$classes\\Slidewright.Album" || fail "the file type Slidewright.Album is left"
! reg_exists "$classes\\.swalbum" || fail "the .swalbum extension is left"
! reg_exists "$entry" || fail "the uninstall entry is left"
# Nothing else is left there: the user's album and the settings the program
# wrote beside itself when it closed are not the uninstaller's to remove.
left=$( (cd "$installed" && find . -mindepth 1 | sort | tr '\n' ' ') || true)
[ "$left" = "./kept.swalbum ./slidewright.ini " ] || fail "left in the program's folder: $left"

[ "$failures" -eq 0 ] && echo "uninstalled for all users: nothing of it left, the user's album kept"

# -- for the current user alone ----------------------------------------------
# Into the user's own programs folder and registry, and out of them again by
# the uninstaller of that install, leaving the machine's registry alone.
wine_run "$setup" /S /CURRENTUSER || fail "the silent install for the current user exited with $?"
user_dir=$(find "$drive_c/users" -path '*/AppData/Local/Programs/Slidewright' -type d | head -n1)
[ -n "$user_dir" ] && [ -f "$user_dir/Slidewright.exe" ] && [ -f "$user_dir/THIRD-PARTY-NOTICES" ] ||
  fail "nothing installed in the user's AppData\\Local\\Programs\\Slidewright"
user_shortcut=$(find "$drive_c/users" -path '*/Start Menu/Programs/Slidewright.lnk' | head -n1)
[ -n "$user_shortcut" ] || fail "no Start-menu shortcut of the user"
user_entry='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Slidewright'
user_instdir=$(reg_value "$user_entry" InstallLocation)
case $user_instdir in
  *'\AppData\Local\Programs\Slidewright') ;;
  *) fail "the user's uninstall entry names '$user_instdir'" ;;
esac
expect_value 'HKCU\Software\Classes\.swalbum' "" "Slidewright.Album"
! reg_exists "$entry" || fail "an install for the current user made an entry for all users"
! reg_exists "$classes\\.swalbum" || fail "an install for the current user registered .swalbum for all users"
# Another program has taken .swalbum since: the uninstaller leaves it that.
wine_run reg add 'HKCU\Software\Classes\.swalbum' /ve /d Other.Album /f >/dev/null 2>&1
wine_run "$user_instdir\\Uninstall.exe" /S || fail "the silent uninstall for the current user exited with $?"
for _ in $(seq 120); do
  reg_exists "$user_entry" || break
  sleep 0.5
done
[ -n "$user_dir" ] && [ ! -e "$user_dir" ] || fail "the user's program folder is left"
[ -z "$user_shortcut" ] || [ ! -e "$user_shortcut" ] || fail "the user's Start-menu shortcut is left"
! reg_exists 'HKCU\Software\Classes\Slidewright.Album' || fail "the user's file type is left"
expect_value 'HKCU\Software\Classes\.swalbum' "" "Other.Album"
! reg_exists "$user_entry" || fail "the user's uninstall entry is left"

[ "$failures" -eq 0 ] || { echo "$failures failures" >&2; exit 1; }
echo "setup program: installed for all users and for one, opened an album, uninstalled"
