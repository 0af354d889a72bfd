#!/usr/bin/env bash
# Fails (exit 1) when a C++ or C source of the repository differs from what clang-format makes
# of it with the project's .clang-format, and names each such file; exit 0 when all match.
#   check-format.sh [FILE...]   (default: every tracked *.cpp, *.h and *.c)
# Generated tables (*.inc) are not checked. Fix a file with: clang-format -i FILE
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
command -v clang-format >/dev/null || { echo "check-format: clang-format is not installed" >&2; exit 1; }

if [ $# -gt 0 ]; then
  files=("$@")
else
  mapfile -t files < <(git ls-files '*.cpp' '*.h' '*.c')
  # No list (no git, or not a clone) must not pass as "all formatted".
  [ ${#files[@]} -gt 0 ] || { echo "check-format: git lists no sources here" >&2; exit 1; }
fi
unformatted=0
for file in "${files[@]}"; do
  if ! clang-format --style=file --dry-run --Werror "$file" >/dev/null 2>&1; then
    echo "check-format: not formatted: $file (clang-format -i $file)"
    unformatted=$((unformatted + 1))
  fi
done
if [ "$unformatted" -gt 0 ]; then
  echo "check-format: $unformatted of ${#files[@]} files differ from .clang-format"
  exit 1
fi
echo "check-format: ${#files[@]} files formatted"
