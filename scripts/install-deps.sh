#!/usr/bin/env bash
# Installs what building and testing need on a Debian 12 machine (run as root).
#   install-deps.sh native    compilers, libraries and sample tools for the native build
#   install-deps.sh all       native, plus mingw-w64, Wine, Xvfb and the browser test stage
set -euo pipefail
what=${1:-all}

native_pkgs=(
  cmake g++ make pkg-config ca-certificates
  libgtest-dev libgmock-dev libbenchmark-dev
  libjpeg62-turbo-dev libpng-dev zlib1g-dev libgif-dev libmp3lame-dev libmpg123-dev
  imagemagick sox libsox-fmt-mp3 lame python3
)
windows_pkgs=(
  g++-mingw-w64-i686 wine wine32:i386 xvfb xauth dpkg-dev nasm imagemagick fonts-arphic-uming googletest
)
browser_pkgs=(
  chromium nodejs npm clang libclang-rt-14-dev
)

pkgs=("${native_pkgs[@]}")
if [ "$what" = all ]; then
  pkgs+=("${windows_pkgs[@]}" "${browser_pkgs[@]}")
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
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
