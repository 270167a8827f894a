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
#
# A program that ends with a failure within a fraction of a second and
# without printing anything never got as far as its own code: Wine itself
# failed to start it (seen once in a busy parallel test run). Such a start
# is said on the error output and tried once more; a program that ran and
# failed prints what failed and is never run twice.
export WINEDEBUG=${WINEDEBUG:--all}
loader=${WINELOADER:-/usr/lib/wine/wine64}
out=$(mktemp)
trap 'rm -f "$out"' EXIT

run_once() {
  started=$(date +%s%N)
  "$loader" "$@" >"$out"
  status=$?
  elapsed_ms=$((($(date +%s%N) - started) / 1000000))
}

run_once "$@"
if [ "$status" -ne 0 ] && [ ! -s "$out" ] && [ "$elapsed_ms" -lt 100 ]; then
  echo "run.sh: wine ended $1 after $elapsed_ms ms with status $status and no output: starting it once more" >&2
  run_once "$@"
fi
sed 's/\r$//' "$out"
exit $status
