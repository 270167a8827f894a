#!/usr/bin/env bash
# Runs every test: installs what is needed, checks the formatting of the C++
# files, builds the native tree (warnings as errors) and runs its
# tests with ctest, then runs each further stage in scripts/stages/ in order
# (Windows build under Wine, comparison with an independent player, fuzzing).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/install-deps.sh all
bash scripts/check-format.sh
# The main-job script may have configured build/ without tests: turn them on.
bash scripts/build-native.sh -DSLIDEWRIGHT_TESTS=ON -DSLIDEWRIGHT_WERROR=ON
(cd build && ctest --output-on-failure --no-tests=error -j"$(nproc)")

for stage in scripts/stages/*.sh; do
  [ -e "$stage" ] || continue
  echo "== stage $(basename "$stage")"
  bash "$stage"
done
echo "all tests passed"
