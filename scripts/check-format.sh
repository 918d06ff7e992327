#!/usr/bin/env bash
# Fails when a tracked C++ source is not formatted as .clang-format says; lists the files.
set -euo pipefail
cd "$(dirname "$0")/.."
count=$(git ls-files -- '*.cpp' '*.h' | wc -l)
unformatted=$(git ls-files -z -- '*.cpp' '*.h' |
  { xargs -0 -n 40 -P "$(nproc)" clang-format --dry-run -Werror 2>&1 || true; } |
  sed -n 's/^\([^:]*\):[0-9]*:[0-9]*: error: .*/\1/p' | sort -u)
if [ -n "$unformatted" ]; then
  echo "Not formatted (run clang-format -i on them):" >&2
  printf '  %s\n' $unformatted >&2
  exit 1
fi
echo "Formatting: $count files checked, all formatted."
