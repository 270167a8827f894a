#!/usr/bin/env bash
# Installs what building and testing need on a Debian 12 machine (run as root).
#   install-deps.sh native    compilers, libraries and sample tools for the native build,
#                             and the web player that `slidewright web` copies (npm)
#   install-deps.sh bench     native, plus the ffmpeg and x264 commands the video benchmarks race
#   install-deps.sh all       native, plus mingw-w64 for 32- and 64-bit Windows,
#                             NSIS for the setup programs,
#                             64-bit Wine, Xvfb, the zh_CN.GBK locale and the
#                             browser and fuzzing stages; 32-bit Wine as well
#                             where this machine can run 32-bit programs
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
what=${1:-all}

native_pkgs=(
  cmake g++ make pkg-config ca-certificates
  libgtest-dev libgmock-dev libbenchmark-dev
  libjpeg62-turbo-dev libpng-dev zlib1g-dev libgif-dev libmp3lame-dev libmpg123-dev
  imagemagick sox libsox-fmt-mp3 lame python3
  libavcodec-dev libavformat-dev libavutil-dev libswscale-dev libswresample-dev
  nlohmann-json3-dev libfreetype-dev libfontconfig-dev fonts-wqy-microhei
  libwebp-dev libheif-dev liblcms2-dev webp libheif-examples libavif-bin
  nodejs npm
)
windows_pkgs=(
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine64 xvfb xauth xdotool dpkg-dev nasm meson
  imagemagick fonts-arphic-uming googletest locales nsis
)
check_pkgs=(
  clang-format
)
browser_pkgs=(
  chromium clang libclang-rt-14-dev
)
bench_pkgs=(
  ffmpeg x264
)

pkgs=("${native_pkgs[@]}")
if [ "$what" = bench ]; then
  pkgs+=("${bench_pkgs[@]}")
fi
if [ "$what" = all ]; then
  pkgs+=("${windows_pkgs[@]}" "${check_pkgs[@]}" "${browser_pkgs[@]}")
  # 32-bit Wine only where 32-bit programs run at all: elsewhere its
  # packages install but cannot even run their own set-up scripts.
  if bash "$root/scripts/lib/can-run-32bit.sh" >/dev/null; then
    dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
    pkgs+=(wine32:i386)
  fi
fi

missing=()
for p in "${pkgs[@]}"; do
  # A nodejs package from outside Debian brings its own npm and conflicts
  # with Debian's npm package.
  if [ "$p" = npm ] && command -v npm >/dev/null; then continue; fi
  dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# The Windows tests run the programs in code page 936, which Wine takes from
# the zh_CN.GBK locale, or from zh_CN.UTF-8 for the tests of file names in
# any script; a fresh machine has the locales' sources (package locales) but
# not the compiled locales.
if [ "$what" = all ] && ! locale -a 2>/dev/null | grep -qix 'zh_CN.gbk'; then
  localedef -i zh_CN -f GBK zh_CN.GBK
fi
if [ "$what" = all ] && ! locale -a 2>/dev/null | grep -qix 'zh_CN.utf8'; then
  localedef -i zh_CN -f UTF-8 zh_CN.UTF-8
fi

# The self-hosted web player that `slidewright web` copies into each web
# album, at the version export/web/package-lock.json pins. Installed again
# only when the lock file is newer than what is there.
web="$root/export/web"
if [ ! -f "$web/node_modules/@ruffle-rs/ruffle/ruffle.js" ] ||
  [ "$web/package-lock.json" -nt "$web/node_modules/.package-lock.json" ]; then
  (cd "$web" && npm ci --no-audit --no-fund --loglevel=error)
fi
