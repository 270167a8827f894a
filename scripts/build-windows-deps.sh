#!/usr/bin/env bash
# Builds the third-party libraries of the Windows programs for one target,
# static, from Debian's source packages, in two cached pieces:
#
#   base    zlib, libpng, libjpeg-turbo, giflib, LAME (with its decoder),
#           mpg123, and GoogleTest (from the sources of Debian's googletest
#           package) for the unit tests;
#   video   x264 and FFmpeg's libraries (libavcodec, libavformat, libavutil,
#           libswscale, libswresample) with only what the video export uses:
#           the H.264 (x264) and AAC encoders, the MP4 muxer, and the H.264
#           and AAC decoders with the MP4 demuxer that the tests read videos
#           back with;
#   text    FreeType, which reads the caption font's outlines;
#   phone   libheif with the libde265 (HEVC) and dav1d (AV1) decoders for
#           HEIC and AVIF pictures, libwebp with libwebpdemux for WebP, and
#           lcms2 for the conversion of colour profiles to sRGB.
#
# Each piece is cached outside the clone, one folder per target, under its
# own key made of the target triplet, the source package versions, the
# compiler version and the piece's recipe, so a second run only checks the
# keys and a change to one piece leaves the others as they are. The base prefix
# links to the other pieces as <prefix>/video, <prefix>/text and <prefix>/phone. The last line printed on stdout
# is the base prefix; pass it to CMake as -DSLIDEWRIGHT_WINDEPS_PREFIX=<prefix>.
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
recipe=4        # bump when the way a base library is built changes
video_recipe=1  # the same for the video piece
text_recipe=2   # and for the text piece
phone_recipe=1  # and for the phone picture piece

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
compiler=$($host-gcc-posix -dumpfullversion 2>/dev/null || $host-gcc -dumpversion)
# libjpeg-turbo's, x264's and FFmpeg's SIMD code needs nasm; a build without it
# is slower, not different.
nasm_version=$(command -v nasm >/dev/null && nasm -v | awk '{print $3}' || echo none)

# Adds " package=versions" for each source package to the named key.
add_versions() { # key-variable package...
  local var=$1 p v; shift
  for p in "$@"; do
    v=$(src_versions "$p" | tr '\n' ',')
    [ -n "$v" ] || { log "no source package $p"; exit 1; }
    printf -v "$var" '%s %s=%s' "${!var}" "$p" "${v%,}"
  done
}

packages=(zlib libpng1.6 libjpeg-turbo giflib lame mpg123)
key="recipe=$recipe target=$host compiler=$compiler"
add_versions key "${packages[@]}"
gtest_version=$(dpkg-query -W -f='${Version}' googletest 2>/dev/null || true)
[ -n "$gtest_version" ] && [ -d /usr/src/googletest ] ||
  { log "install Debian's googletest package (scripts/install-deps.sh)"; exit 1; }
key+=" googletest=$gtest_version"
key+=" nasm=$nasm_version"
hash=$(printf '%s' "$key" | sha256sum | cut -c1-16)
prefix=$cache/$host/$hash

video_key="recipe=$video_recipe target=$host compiler=$compiler"
add_versions video_key x264 ffmpeg
video_key+=" nasm=$nasm_version"
video_hash=$(printf '%s' "$video_key" | sha256sum | cut -c1-16)
video_prefix=$cache/$host/video/$video_hash

text_key="recipe=$text_recipe target=$host compiler=$compiler"
add_versions text_key freetype
text_hash=$(printf '%s' "$text_key" | sha256sum | cut -c1-16)
text_prefix=$cache/$host/text/$text_hash

phone_key="recipe=$phone_recipe target=$host compiler=$compiler"
add_versions phone_key libwebp libde265 dav1d libheif lcms2
phone_key+=" nasm=$nasm_version meson=$(meson --version 2>/dev/null || echo none)"
phone_hash=$(printf '%s' "$phone_key" | sha256sum | cut -c1-16)
phone_prefix=$cache/$host/phone/$phone_hash

# Links the base prefix to the other pieces and prints the prefix.
finish() {
  ln -sfn "../video/$video_hash" "$prefix/video"
  ln -sfn "../text/$text_hash" "$prefix/text"
  ln -sfn "../phone/$phone_hash" "$prefix/phone"
  echo "$prefix"
}

if [ -f "$prefix/.complete" ] && [ -f "$video_prefix/.complete" ] && [ -f "$text_prefix/.complete" ] &&
  [ -f "$phone_prefix/.complete" ]; then
  log "cached: $prefix (video: $video_prefix, text: $text_prefix, phone: $phone_prefix)"
  finish
  exit 0
fi

mkdir -p "$cache/$host/video" "$cache/$host/text" "$cache/$host/phone"
work=$(mktemp -d "$cache/$host/build.XXXXXX")
chmod 755 "$work"   # apt-get source downloads as the _apt user
cd "$work"          # nothing a build writes by a relative path lands in the clone
# A half-built prefix is never left behind: only a complete one is reused.
trap 'rm -rf "$work"; [ -f "$prefix/.complete" ] || rm -rf "$prefix"
      [ -f "$video_prefix/.complete" ] || rm -rf "$video_prefix"
      [ -f "$text_prefix/.complete" ] || rm -rf "$text_prefix"
      [ -f "$phone_prefix/.complete" ] || rm -rf "$phone_prefix"' EXIT
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

# Each library's own wall time, then the piece's so far.
t_all=$SECONDS
t0=$SECONDS
t_step=$SECONDS
step() {
  log "$1 done in $((SECONDS - t_step)) s ($((SECONDS - t0)) s in all)"
  t_step=$SECONDS
}

build_base() {
  log "building into $prefix ($key)"
  rm -rf "$prefix"
  : >"$work/fetched"
  mkdir -p "$prefix"/{include,lib}
  local s

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
}

build_video() {
  log "building the video piece into $video_prefix ($video_key)"
  rm -rf "$video_prefix"
  : >"$work/fetched"
  mkdir -p "$video_prefix"
  local s asm=()
  command -v nasm >/dev/null || asm=(--disable-asm)

  # x264: the library alone, 8-bit 4:2:0, which is all the export writes.
  s=$(fetch x264)
  (
    cd "$s"
    ./configure --host=$host --cross-prefix=$host- --prefix="$video_prefix" --enable-static \
      --disable-cli --bit-depth=8 --chroma-format=420 --disable-opencl --disable-avs \
      --disable-swscale --disable-lavf --disable-ffms --disable-gpac --disable-lsmash "${asm[@]}"
    make -j"$jobs"
    make install-lib-static
  ) >&2
  step x264

  # FFmpeg: nothing is found on the build machine by itself; only the
  # components the export and its tests use are switched on.
  local ffasm=--enable-x86asm ffarch=$arch
  command -v nasm >/dev/null || ffasm=--disable-x86asm
  [ "$arch" = i686 ] && ffarch=x86
  s=$(fetch ffmpeg)
  (
    cd "$s"
    PKG_CONFIG_LIBDIR="$video_prefix/lib/pkgconfig" PKG_CONFIG_PATH= ./configure \
      --prefix="$video_prefix" --enable-cross-compile --target-os=mingw32 --arch="$ffarch" \
      --cross-prefix=$host- --cc="$CC" --cxx="$CXX" --pkg-config=pkg-config --pkg-config-flags=--static \
      --enable-static --disable-shared --disable-debug --disable-programs --disable-doc \
      --disable-network --disable-autodetect --enable-w32threads --disable-everything \
      --disable-avdevice --disable-avfilter --disable-postproc "$ffasm" \
      --enable-gpl --enable-libx264 --enable-protocol=file \
      --enable-encoder=libx264,aac --enable-muxer=mp4 \
      --enable-decoder=h264,aac --enable-parser=h264,aac --enable-demuxer=mov \
      --extra-cflags="-I$video_prefix/include" --extra-ldflags="-L$video_prefix/lib"
    make -j"$jobs"
    make install
  ) >&2
  step ffmpeg

  { printf '%s\n' "$video_key"; cat "$work/fetched"; } >"$video_prefix/.complete"
}

# FreeType alone: no compressed fonts, PNG colour glyphs, shaping or
# Brotli-packed web fonts, none of which the caption fonts need. Its gzip
# support is switched off in its options file: otherwise it compiles its own
# copy of zlib, whose names clash with the base piece's zlib.
build_text() {
  log "building the text piece into $text_prefix ($text_key)"
  rm -rf "$text_prefix"
  : >"$work/fetched"
  mkdir -p "$text_prefix"
  local s
  s=$(fetch freetype)
  sed -i 's|^#define FT_CONFIG_OPTION_USE_ZLIB|/* #undef FT_CONFIG_OPTION_USE_ZLIB */|' \
    "$s/include/freetype/config/ftoption.h"
  cmake -S "$s" -B "$work/b-freetype" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$text_prefix" -DBUILD_SHARED_LIBS=OFF -DFT_DISABLE_ZLIB=ON -DFT_DISABLE_BZIP2=ON \
    -DFT_DISABLE_PNG=ON -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BROTLI=ON >&2
  cmake --build "$work/b-freetype" -j"$jobs" >&2
  cmake --install "$work/b-freetype" >&2
  step freetype
  { printf '%s\n' "$text_key"; cat "$work/fetched"; } >"$text_prefix/.complete"
}

# The phone picture piece. Every library is found by the next one through
# the piece's own pkg-config files only, never the build machine's.
build_phone() {
  log "building the phone picture piece into $phone_prefix ($phone_key)"
  command -v meson >/dev/null || { log "dav1d builds with meson: bash scripts/install-deps.sh all"; exit 1; }
  rm -rf "$phone_prefix"
  : >"$work/fetched"
  mkdir -p "$phone_prefix"
  local s pc=$phone_prefix/lib/pkgconfig
  local phone_cmake=(-DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release
    -DCMAKE_INSTALL_PREFIX="$phone_prefix" -DCMAKE_INSTALL_LIBDIR=lib -DBUILD_SHARED_LIBS=OFF
    -DSLIDEWRIGHT_WINDEPS_PREFIX="$phone_prefix")
  export PKG_CONFIG_LIBDIR=$pc PKG_CONFIG_PATH=

  # libwebp: the decoder and the demuxer (the first frame of an animation);
  # none of its programs.
  s=$(fetch libwebp)
  cmake -S "$s" -B "$work/b-webp" "${phone_cmake[@]}" -DWEBP_BUILD_ANIM_UTILS=OFF \
    -DWEBP_BUILD_CWEBP=OFF -DWEBP_BUILD_DWEBP=OFF -DWEBP_BUILD_GIF2WEBP=OFF -DWEBP_BUILD_IMG2WEBP=OFF \
    -DWEBP_BUILD_VWEBP=OFF -DWEBP_BUILD_WEBPINFO=OFF -DWEBP_BUILD_WEBPMUX=OFF -DWEBP_BUILD_EXTRAS=OFF >&2
  cmake --build "$work/b-webp" -j"$jobs" >&2
  cmake --install "$work/b-webp" >&2
  step libwebp

  # libde265: the library alone (no example decoder, encoder or SDL viewer).
  s=$(fetch libde265)
  cmake -S "$s" -B "$work/b-de265" "${phone_cmake[@]}" -DENABLE_DECODER=OFF -DENABLE_ENCODER=OFF \
    -DENABLE_SDL=OFF >&2
  cmake --build "$work/b-de265" -j"$jobs" >&2
  cmake --install "$work/b-de265" >&2
  step libde265

  # dav1d: meson, through a cross file for this target; 8- and 10-bit
  # pictures; its x86 assembly needs nasm.
  s=$(fetch dav1d)
  local cpu_family=$arch
  [ "$arch" = i686 ] && cpu_family=x86
  cat >"$work/cross.txt" <<CROSS
[binaries]
c = '$CC'
cpp = '$CXX'
ar = '$AR'
strip = '$host-strip'
windres = '$host-windres'
pkgconfig = 'pkg-config'

[host_machine]
system = 'windows'
cpu_family = '$cpu_family'
cpu = '$arch'
endian = 'little'
CROSS
  local dav1d_asm=true
  command -v nasm >/dev/null || dav1d_asm=false
  meson setup "$work/b-dav1d" "$s" --cross-file "$work/cross.txt" --prefix="$phone_prefix" \
    --libdir=lib --buildtype=release --default-library=static -Denable_tools=false \
    -Denable_tests=false -Denable_examples=false -Denable_asm=$dav1d_asm >&2
  ninja -C "$work/b-dav1d" -j"$jobs" install >&2
  step dav1d

  # libheif: decoding through libde265 and dav1d, built in (no plugins are
  # loaded at run time); no encoders, programs or image loader modules.
  s=$(fetch libheif)
  cmake -S "$s" -B "$work/b-heif" "${phone_cmake[@]}" -DWITH_LIBDE265=ON -DWITH_DAV1D=ON \
    -DWITH_X265=OFF -DWITH_AOM_DECODER=OFF -DWITH_AOM_ENCODER=OFF -DWITH_RAV1E=OFF -DWITH_SvtEnc=OFF \
    -DWITH_JPEG_DECODER=OFF -DWITH_JPEG_ENCODER=OFF -DWITH_OpenJPEG_DECODER=OFF \
    -DWITH_OpenJPEG_ENCODER=OFF -DENABLE_PLUGIN_LOADING=OFF -DWITH_EXAMPLES=OFF \
    -DWITH_GDK_PIXBUF=OFF -DWITH_FUZZERS=OFF -DBUILD_TESTING=OFF >&2
  cmake --build "$work/b-heif" -j"$jobs" >&2
  cmake --install "$work/b-heif" >&2
  step libheif

  # lcms2: the library alone.
  s=$(fetch lcms2)
  (
    cd "$s"
    ./configure --host=$host --prefix="$phone_prefix" --enable-static --disable-shared \
      --without-jpeg --without-tiff --without-zlib --disable-dependency-tracking CFLAGS=-O2
    make -C src -j"$jobs"
    make -C src install
    make -C include install
    install -m 644 lcms2.pc "$pc/lcms2.pc"
  ) >&2
  step lcms2

  { printf '%s\n' "$phone_key"; cat "$work/fetched"; } >"$phone_prefix/.complete"
}

if [ ! -f "$prefix/.complete" ]; then
  build_base
fi
if [ ! -f "$video_prefix/.complete" ]; then
  t0=$SECONDS
  t_step=$SECONDS
  build_video
fi
if [ ! -f "$text_prefix/.complete" ]; then
  t0=$SECONDS
  t_step=$SECONDS
  build_text
fi
if [ ! -f "$phone_prefix/.complete" ]; then
  t0=$SECONDS
  t_step=$SECONDS
  build_phone
fi

ln -sfn "$hash" "$cache/$host/current"
# Earlier builds of this target (other versions or recipes) are no longer
# needed; the other target's folder is left alone.
for old in "$cache/$host"/*/ "$cache/$host"/video/*/ "$cache/$host"/text/*/ "$cache/$host"/phone/*/; do
  old=${old%/}
  case $old in
    "$prefix" | "$video_prefix" | "$text_prefix" | "$phone_prefix" | "$work" | "$cache/$host/video" | \
      "$cache/$host/text" | "$cache/$host/phone") continue ;;
  esac
  [ -L "$old" ] || rm -rf "$old"
done
log "all built in $((SECONDS - t_all)) s"
finish
