#!/bin/sh
# Runs a Windows program under wine: the emulator that ctest uses for the
# cross-built tests. The environment (WINELOADER, WINEPREFIX, DISPLAY) comes
# from the caller, normally scripts/stages/20-windows.sh through
# scripts/wine/env.sh; without WINELOADER the 64-bit loader is used.
#
# The program's console output goes through a file, not a pipe: Wine's
# helper processes (services, explorer) inherit the descriptors of the first
# program of a session and outlive it, so a pipe would not reach end-of-file
# until the wineserver quits. Line ends become Unix ones, so that test lists
# and messages read the same as from native programs.
export WINEDEBUG=${WINEDEBUG:--all}
loader=${WINELOADER:-/usr/lib/wine/wine64}
out=$(mktemp)
trap 'rm -f "$out"' EXIT
"$loader" "$@" >"$out"
status=$?
sed 's/\r$//' "$out"
exit $status
