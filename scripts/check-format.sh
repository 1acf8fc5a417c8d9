#!/usr/bin/env bash
# CI: every C++ file of the repository is formatted as .clang-format says.
# Prints the files that differ; `clang-format -i FILE` mends one.
set -euo pipefail
cd "$(dirname "$0")/.."
differ=0
while IFS= read -r file; do
  if ! clang-format --style=file --dry-run --Werror "$file" >/dev/null 2>&1; then
    echo "not formatted: $file"
    differ=$((differ + 1))
  fi
done < <(git ls-files '*.cpp' '*.h')
echo "check-format: $differ files differ from .clang-format"
[ "$differ" -eq 0 ]
