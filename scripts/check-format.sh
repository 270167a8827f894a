#!/usr/bin/env bash
# Checks that every C++ file of the repository is formatted as .clang-format
# says; lists the files that are not. Fix them with:
#   git ls-files '*.cpp' '*.h' | xargs clang-format -i
set -euo pipefail
cd "$(dirname "$0")/.."
format=$(command -v clang-format-14 || command -v clang-format) ||
  { echo "clang-format is missing (scripts/install-deps.sh all)" >&2; exit 1; }
bad=()
while IFS= read -r f; do
  "$format" --dry-run --Werror "$f" >/dev/null 2>&1 || bad+=("$f")
done < <(git ls-files '*.cpp' '*.h')
if [ ${#bad[@]} -gt 0 ]; then
  echo "not formatted as .clang-format says (run clang-format -i on them):" >&2
  printf '  %s\n' "${bad[@]}" >&2
  exit 1
fi
echo "-- formatting: $(git ls-files '*.cpp' '*.h' | wc -l) C++ files as .clang-format says"
