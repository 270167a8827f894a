#!/usr/bin/env bash
# The main job: installs what is needed, builds Slidewright and makes a sample
# album from pictures and music generated on the spot, then prints where it is.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/install-deps.sh native
bash scripts/build-native.sh -DSLIDEWRIGHT_TESTS=OFF

out="$root/out"
mkdir -p "$out"
if [ -x build/cli/slidewright ] && [ -f scripts/sample-album.sh ]; then
  bash scripts/sample-album.sh "$out"
else
  build/swf/swf-demo "$out/demo.swf"
  echo "Movie written: $out/demo.swf"
fi
