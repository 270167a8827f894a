#!/usr/bin/env bash
# The Windows side, for both architectures from the one CMake project:
#
#   x86_64  builds the third-party libraries (or takes them from the cache),
#           cross-builds the whole project into build-win64/, checks the
#           programs as for i686 and runs every Windows test under 64-bit
#           Wine, which runs on every x86-64 machine, among them a silent
#           install, use and uninstall of the setup program in a prefix of
#           its own;
#   i686    the shipped 32-bit programs: builds build-win32/, checks the
#           programs without running them (PE32 Intel 80386 GUI, only system
#           DLLs, resource BIN 153 byte-identical to the 32-bit saverstub.exe;
#           the shipped copy in dist/ carries no debugging sections and links
#           to its symbols in dist/Slidewright-win32-symbols/; the 52-byte
#           album job is a compile-time check of this build; the command
#           carries the H.264 encoder and the shipped folder the web
#           player's files, the licence and the third-party notices; the
#           setup program is a PE32 Intel 80386 program named and marked
#           with the version) and,
#           where the machine can run 32-bit programs at all, runs every
#           Windows test under 32-bit Wine.
#
#   SLIDEWRIGHT_WIN_ARCHS   the architectures to do (default "x86_64 i686")
#   SLIDEWRIGHT_NO_32BIT=1  behave as on a machine that cannot run 32-bit code
#   JOBS                    parallel build and test jobs (default 2)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
jobs=${JOBS:-2}

# Builds the tree of one architecture (i686 or x86_64) into build-win32/ or
# build-win64/.
build_tree() {
  local arch=$1 build=$2
  local host=$arch-w64-mingw32 prefix
  mkdir -p "$build"
  echo "-- $arch: third-party libraries (log: $build/windeps.log)"
  if ! prefix=$(bash scripts/build-windows-deps.sh "$arch" 2>"$build/windeps.log" | tail -n1) || [ -z "$prefix" ]; then
    tail -n 40 "$build/windeps.log" >&2
    return 1
  fi
  echo "   $prefix"
  # Library paths found with another prefix would point at a removed folder.
  if [ -f "$build/CMakeCache.txt" ] &&
     ! grep -qx "SLIDEWRIGHT_WINDEPS_PREFIX:[A-Z]*=$prefix" "$build/CMakeCache.txt"; then
    rm -rf "$build/CMakeCache.txt" "$build/CMakeFiles"
  fi
  cmake -S "$root" -B "$build" \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$host.cmake" \
    -DSLIDEWRIGHT_WINDEPS_PREFIX="$prefix" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DSLIDEWRIGHT_WERROR=ON \
    -DSLIDEWRIGHT_PHONE_PICTURES=ON \
    -DCMAKE_CROSSCOMPILING_EMULATOR="$root/scripts/wine/run.sh" \
    -DSLIDEWRIGHT_NATIVE_BUILD="$root/build" \
    -DCMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE=PRE_TEST >/dev/null
  echo "-- $arch: building $build"
  cmake --build "$build" -j"$jobs"
  # The setup program of the ready-to-ship folder (built with the rest when
  # makensis is there; named here, so that its absence fails the stage).
  cmake --build "$build" --target slidewright_setup
}

# The project's version, as CMake has it for the tree.
tree_version() {
  sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "$1/CMakeCache.txt"
}

# Checks the programs of a tree without running them: the shipped copy of
# the maker must be the built one without its debugging sections, linked to
# the file that keeps them.
check_tree() {
  local build=$1 machine=$2
  local stub=$build/saver/saverstub.exe dist version setup
  version=$(tree_version "$build")
  case $machine in
    amd64) dist=$build/dist/Slidewright-win64 setup=$build/dist/Slidewright-Setup-$version-win64.exe ;;
    *) dist=$build/dist/Slidewright-win32 setup=$build/dist/Slidewright-Setup-$version-win32.exe ;;
  esac
  python3 scripts/lib/pe_check.py "$build/app/Slidewright.exe" --machine "$machine" --gui \
    --system-dlls-only --resource "BIN:153=$stub" --version "$version"
  python3 scripts/lib/pe_check.py "$dist/Slidewright.exe" --machine "$machine" --gui \
    --system-dlls-only --resource "BIN:153=$stub" --no-debug-sections \
    --debug-link "$dist-symbols/Slidewright.exe.debug" --version "$version"
  python3 scripts/lib/pe_check.py "$stub" --machine "$machine" --gui --system-dlls-only --version "$version"
  python3 scripts/lib/pe_check.py "$build/cli/slidewright.exe" --machine "$machine" --system-dlls-only \
    --resource "BIN:153=$stub"
  [ "$setup" -nt "$build/app/Slidewright.exe" ] ||
    { echo "$setup is missing or older than $build/app/Slidewright.exe" >&2; return 1; }
  python3 scripts/lib/pe_check.py "$setup" --machine "$machine" --gui --version "$version"
  # The video export's encoder is linked in (its version text is x264's own),
  # and the web export finds the player's files beside the programs.
  grep -qa "H.264/MPEG-4 AVC codec" "$build/cli/slidewright.exe" ||
    { echo "$build/cli/slidewright.exe: no H.264 encoder linked in" >&2; return 1; }
  local f
  for f in "$dist/LICENSE" "$dist/THIRD-PARTY-NOTICES"; do
    cmp -s "$f" "$root/$(basename "$f")" || { echo "$f is not the project's $(basename "$f")" >&2; return 1; }
  done
  for f in "$dist/web-player/ruffle.js" "$build/cli/web-player/ruffle.js"; do
    [ -s "$f" ] || { echo "$f is missing: the web player's files are not beside the programs" >&2; return 1; }
  done
}

# Runs every Windows test of a tree under Wine of the given architecture,
# in a private prefix on a virtual display (a subshell, so that each run
# cleans up its own).
test_tree() (
  local build=$1
  export SLIDEWRIGHT_WINE_ARCH=$2
  # shellcheck source=../wine/env.sh
  . "$root/scripts/wine/env.sh"
  unset DISPLAY WINEPREFIX
  trap wine_env_stop EXIT
  wine_env_start
  echo "-- Windows tests under $WINELOADER (WINEARCH=$WINEARCH, WINEPREFIX=$WINEPREFIX, DISPLAY=$DISPLAY)"
  # A program that hangs under wine fails its test instead of stopping the run.
  (cd "$build" && ctest --output-on-failure --no-tests=error --timeout 300 -j"$jobs") | tee "$build/ctest.log"
)

summary() { # arch what
  local log=$1/ctest.log
  echo "windows $2: $(grep -E '^[0-9]+% tests passed' "$log" | tail -n1)"
}

# Prints why the 32-bit tests cannot run here and fails, or succeeds quietly.
why_no_32bit() {
  if [ -n "${SLIDEWRIGHT_NO_32BIT:-}" ]; then
    echo "SLIDEWRIGHT_NO_32BIT is set"
    return 1
  fi
  local why
  why=$(bash scripts/lib/can-run-32bit.sh) || { echo "$why"; return 1; }
  [ -x /usr/lib/wine/wine ] || { echo "32-bit Wine is not installed"; return 1; }
}

archs=${SLIDEWRIGHT_WIN_ARCHS:-x86_64 i686}
results=()
for arch in $archs; do
  case $arch in
    x86_64)
      build=${SLIDEWRIGHT_WIN64_BUILD:-$root/build-win64}
      build_tree x86_64 "$build"
      check_tree "$build" amd64
      test_tree "$build" win64
      results+=("$(summary "$build" "x86_64 (build-win64) under wine64")")
      ;;
    i686)
      build=${SLIDEWRIGHT_WIN32_BUILD:-$root/build-win32}
      build_tree i686 "$build"
      check_tree "$build" i386
      results+=("windows i686 (build-win32): PE32 i386 GUI, system DLLs only, BIN 153 = its saverstub.exe, shipped stripped with its symbols beside, 52-byte album job checked at compile time, H.264 encoder, web player, licence and notices present, setup program Slidewright-Setup-$(tree_version "$build")-win32.exe a PE32 i386 program of that version")
      if why=$(why_no_32bit); then
        test_tree "$build" win32
        results+=("$(summary "$build" "i686 (build-win32) under wine32")")
      else
        results+=("windows i686: the run under wine32 was skipped: $why")
      fi
      ;;
    *) echo "unknown architecture $arch (x86_64 or i686)" >&2; exit 2 ;;
  esac
done
# The notices name every library some program of the release carries, and
# nothing that none carries.
trees=()
for t in "$root/build" "${SLIDEWRIGHT_WIN64_BUILD:-$root/build-win64}" "${SLIDEWRIGHT_WIN32_BUILD:-$root/build-win32}"; do
  [ -d "$t/cli" ] && trees+=("$t")
done
python3 scripts/check-notices.py "${trees[@]}"
printf '%s\n' "${results[@]}"
