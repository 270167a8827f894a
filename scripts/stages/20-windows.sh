#!/usr/bin/env bash
# The Windows side: builds the third-party libraries for i686-w64-mingw32 (or
# takes them from the cache), cross-builds the whole CMake project into
# build-win/ (portable libraries, their tests, Slidewright.exe and
# saverstub.exe), then runs the Windows unit tests under wine in a private
# prefix on a virtual display, through ctest.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
build=${SLIDEWRIGHT_WIN_BUILD:-$root/build-win}
mkdir -p "$build"

echo "-- third-party libraries for Windows (log: $build/windeps.log)"
if ! prefix=$(bash scripts/build-windows-deps.sh 2>"$build/windeps.log" | tail -n1) || [ -z "$prefix" ]; then
  tail -n 40 "$build/windeps.log" >&2
  exit 1
fi
echo "   $prefix"

# Library paths found with another prefix would point at a removed folder.
if [ -f "$build/CMakeCache.txt" ] &&
   ! grep -qx "SLIDEWRIGHT_WINDEPS_PREFIX:[A-Z]*=$prefix" "$build/CMakeCache.txt"; then
  rm -rf "$build/CMakeCache.txt" "$build/CMakeFiles"
fi
cmake -S "$root" -B "$build" \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/i686-w64-mingw32.cmake" \
  -DSLIDEWRIGHT_WINDEPS_PREFIX="$prefix" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CROSSCOMPILING_EMULATOR="$root/scripts/wine/run.sh" \
  -DCMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE=PRE_TEST >/dev/null
cmake --build "$build" -j"${JOBS:-2}"

# shellcheck source=../wine/env.sh
. "$root/scripts/wine/env.sh"
unset DISPLAY WINEPREFIX
trap wine_env_stop EXIT
wine_env_start
echo "-- Windows tests under wine (WINEPREFIX=$WINEPREFIX, DISPLAY=$DISPLAY)"
# A program that hangs under wine fails its test instead of stopping the run.
(cd "$build" && ctest --output-on-failure --no-tests=error --timeout 300 -j"${JOBS:-2}")
