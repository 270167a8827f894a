#!/usr/bin/env bash
# Builds the third-party libraries of the Windows programs for one target,
# static, from Debian's source packages: zlib, libpng, libjpeg-turbo, giflib,
# LAME (with its decoder), mpg123, and GoogleTest (from the sources of Debian's
# googletest package) for the unit tests.
#
# The result is cached outside the clone, one folder per target, under a key
# made of the target triplet, the source package versions, the compiler
# version and this script's recipe, so a second run only checks the key. The
# last line printed on stdout is the install prefix; pass it to CMake as
# -DSLIDEWRIGHT_WINDEPS_PREFIX=<prefix>.
#
#   build-windows-deps.sh [i686|x86_64]     (default i686, the shipped programs)
#
#   SLIDEWRIGHT_WINDEPS_CACHE   cache folder (default /var/cache/slidewright-windeps
#                               as root, else ~/.cache/slidewright-windeps)
#   JOBS                        parallel build jobs (default 2)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
arch=${1:-i686}
case $arch in
  i686 | x86_64) ;;
  *) echo "usage: build-windows-deps.sh [i686|x86_64]" >&2; exit 2 ;;
esac
host=$arch-w64-mingw32
jobs=${JOBS:-2}
recipe=4   # bump when the way a library is built changes

if [ -n "${SLIDEWRIGHT_WINDEPS_CACHE:-}" ]; then
  cache=$SLIDEWRIGHT_WINDEPS_CACHE
elif [ "$(id -u)" = 0 ]; then
  cache=/var/cache/slidewright-windeps
else
  cache=${XDG_CACHE_HOME:-$HOME/.cache}/slidewright-windeps
fi
mkdir -p "$cache/$host"

log() { echo "windeps ($arch): $*" >&2; }

# apt-get source needs deb-src entries; add them beside the deb entries of the
# Debian archive if none exist.
ensure_deb_src() {
  if apt-cache showsrc zlib >/dev/null 2>&1 && [ -n "$(apt-cache showsrc zlib 2>/dev/null)" ]; then
    return
  fi
  [ "$(id -u)" = 0 ] || { log "deb-src entries are missing and adding them needs root"; exit 1; }
  local src=/etc/apt/sources.list.d/debian.sources
  local dst=/etc/apt/sources.list.d/slidewright-deb-src.sources
  if [ -f "$src" ]; then
    sed -e 's/^Types:.*/Types: deb-src/' "$src" >"$dst"
  else
    cat >"$dst" <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
  fi
  log "added $dst"
  apt-get update -q >&2
}

# Versions of a source package that apt knows about, newest first.
src_versions() {
  apt-cache showsrc --only-source "$1" 2>/dev/null | awk '/^Version:/ {print $2}' | sort -Vru
}

ensure_deb_src
packages=(zlib libpng1.6 libjpeg-turbo giflib lame mpg123)
key="recipe=$recipe target=$host compiler=$($host-gcc-posix -dumpfullversion 2>/dev/null || $host-gcc -dumpversion)"
for p in "${packages[@]}"; do
  v=$(src_versions "$p" | tr '\n' ',')
  [ -n "$v" ] || { log "no source package $p"; exit 1; }
  key+=" $p=${v%,}"
done
gtest_version=$(dpkg-query -W -f='${Version}' googletest 2>/dev/null || true)
[ -n "$gtest_version" ] && [ -d /usr/src/googletest ] ||
  { log "install Debian's googletest package (scripts/install-deps.sh)"; exit 1; }
key+=" googletest=$gtest_version"
# libjpeg-turbo's SIMD code needs nasm; a build without it is slower, not different.
key+=" nasm=$(command -v nasm >/dev/null && nasm -v | awk '{print $3}' || echo none)"
hash=$(printf '%s' "$key" | sha256sum | cut -c1-16)
prefix=$cache/$host/$hash

if [ -f "$prefix/.complete" ]; then
  log "cached: $prefix"
  echo "$prefix"
  exit 0
fi

log "building into $prefix ($key)"
rm -rf "$prefix"
work=$(mktemp -d "$cache/$host/build.XXXXXX")
chmod 755 "$work"   # apt-get source downloads as the _apt user
cd "$work"          # nothing a build writes by a relative path lands in the clone
# A half-built prefix is never left behind: only a complete one is reused.
trap 'rm -rf "$work"; [ -f "$prefix/.complete" ] || rm -rf "$prefix"' EXIT
mkdir -p "$prefix"/{include,lib}
toolchain=$root/cmake/$host.cmake
export CC=$host-gcc-posix CXX=$host-g++-posix AR=$host-ar RANLIB=$host-ranlib
command -v "$CC" >/dev/null || export CC=$host-gcc CXX=$host-g++

# Unpacks source package $1 into $work and prints the source folder.
fetch() {
  local dir=$work/src-$1
  mkdir -p "$dir"
  chmod 755 "$dir"
  # Newest version first; an older one when a mirror no longer serves the
  # newest (security updates are sometimes listed but not downloadable).
  # mpg123's upstream signature file is sometimes missing: apt-get then fails
  # although the tarball and the Debian changes arrived and were unpacked.
  local v tree=
  for v in $(src_versions "$1"); do
    (cd "$dir" && apt-get source -q --only-source "$1=$v" >&2) ||
      log "apt-get source $1=$v reported an error; checking what arrived"
    tree=$(find "$dir" -mindepth 1 -maxdepth 1 -type d | head -n1)
    if [ -n "$tree" ] || ls "$dir"/*.dsc >/dev/null 2>&1; then
      echo "$1=$v" >>"$work/fetched"
      break
    fi
    rm -rf "${dir:?}"/*
  done
  if [ -z "$tree" ]; then
    # Unpack by hand when dpkg-source was not reached.
    local dsc
    dsc=$(ls "$dir"/*.dsc 2>/dev/null | head -n1)
    [ -n "$dsc" ] || { log "no source for $1"; exit 1; }
    (cd "$dir" && dpkg-source --no-check -x "$dsc" >&2)
    tree=$(find "$dir" -mindepth 1 -maxdepth 1 -type d | head -n1)
  fi
  echo "$tree"
}

cmake_build() { # source-dir build-dir cmake-args...
  local s=$1 b=$2; shift 2
  cmake -S "$s" -B "$b" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DSLIDEWRIGHT_WINDEPS_PREFIX="$prefix" "$@" >&2
}

t0=$SECONDS
step() { log "$1 done ($((SECONDS - t0)) s)"; }

# zlib: only the static library is wanted; installed as libz.a.
s=$(fetch zlib)
cmake_build "$s" "$work/b-zlib"
cmake --build "$work/b-zlib" --target zlibstatic -j"$jobs" >&2
cp "$work/b-zlib/libzlibstatic.a" "$prefix/lib/libz.a"
cp "$s/zlib.h" "$work/b-zlib/zconf.h" "$prefix/include/"
step zlib

s=$(fetch libpng1.6)
cmake_build "$s" "$work/b-png" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF \
  -DPNG_EXECUTABLES=OFF -DPNG_BUILD_ZLIB=OFF \
  -DZLIB_LIBRARY="$prefix/lib/libz.a" -DZLIB_INCLUDE_DIR="$prefix/include"
cmake --build "$work/b-png" -j"$jobs" >&2
cmake --install "$work/b-png" >&2
step libpng

s=$(fetch libjpeg-turbo)
cmake_build "$s" "$work/b-jpeg" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF \
  -DWITH_SIMD="$(command -v nasm >/dev/null && echo ON || echo OFF)" -DCMAKE_INSTALL_LIBDIR="$prefix/lib"
cmake --build "$work/b-jpeg" -j"$jobs" >&2
cmake --install "$work/b-jpeg" >&2
step libjpeg-turbo

# giflib's Makefile also builds the shared library and the utilities; the
# static library is a handful of C files, compiled here directly.
s=$(fetch giflib)
(
  cd "$s"
  objs=()
  for c in dgif_lib.c egif_lib.c gifalloc.c gif_err.c gif_font.c gif_hash.c openbsd-reallocarray.c; do
    "$CC" -O2 -Wall -c "$c" -o "$work/${c%.c}.o"
    objs+=("$work/${c%.c}.o")
  done
  rm -f "$prefix/lib/libgif.a"
  "$AR" rcs "$prefix/lib/libgif.a" "${objs[@]}"
  cp gif_lib.h "$prefix/include/"
) >&2
step giflib

s=$(fetch lame)
(
  cd "$s"
  ./configure --host=$host --prefix="$prefix" --enable-static --disable-shared \
    --disable-frontend --enable-decoder --disable-gtktest --disable-dependency-tracking CFLAGS=-O2
  make -j"$jobs"
  make install
) >&2
step lame

s=$(fetch mpg123)
(
  cd "$s"
  ./configure --host=$host --prefix="$prefix" --enable-static --disable-shared \
    --disable-components --enable-libmpg123 --disable-modules --disable-dependency-tracking
  make -j"$jobs"
  make install
) >&2
step mpg123

cmake_build /usr/src/googletest "$work/b-gtest" -DBUILD_GMOCK=ON -DINSTALL_GTEST=ON
cmake --build "$work/b-gtest" -j"$jobs" >&2
cmake --install "$work/b-gtest" >&2
step googletest

{ printf '%s\n' "$key"; cat "$work/fetched"; } >"$prefix/.complete"
ln -sfn "$hash" "$cache/$host/current"
# Earlier builds of this target (other versions or recipes) are no longer
# needed; the other target's folder is left alone.
for old in "$cache/$host"/*/; do
  old=${old%/}
  [ "$old" = "$prefix" ] || [ -L "$old" ] || [ "$old" = "$work" ] || rm -rf "$old"
done
log "all built in $((SECONDS - t0)) s"
echo "$prefix"
