#!/usr/bin/env bash
# clang-tidy's bug-prone and performance checks (.clang-tidy), with warnings
# as errors, over the product sources that this change touches: those that
# differ from the main branch, or on the main branch itself those of its last
# commit (for a merge, everything the merged branch brought). A changed header
# brings in the source file of the same name.
# TIDY_BASE names another commit to compare with.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
JOBS=${JOBS:-$(nproc)}

base=${TIDY_BASE:-}
if [ -z "$base" ]; then
  base=$(git merge-base HEAD main 2>/dev/null || true)
  if [ -z "$base" ] || [ "$base" = "$(git rev-parse HEAD)" ]; then
    base=$(git rev-parse --verify --quiet HEAD~1 || true)
  fi
fi
if [ -z "$base" ]; then
  echo "tidy-changed: nothing to compare with"
  exit 0
fi

mapfile -t files < <(
  { git diff --name-only --diff-filter=d "$base" -- 'src/*.cpp' 'src/*.h' 'tools/*.cpp'
    git ls-files --others --exclude-standard -- 'src/*.cpp' 'src/*.h' 'tools/*.cpp'; } |
    sed 's/\.h$/.cpp/' | sort -u | while read -r file; do [ -f "$file" ] && echo "$file"; done)
if [ "${#files[@]}" -eq 0 ]; then
  echo "tidy-changed: no product source changed since $base"
  exit 0
fi
echo "tidy-changed: ${#files[@]} files since $(git rev-parse --short "$base")"
printf '%s\n' "${files[@]}" | xargs -P "$JOBS" -n 2 clang-tidy -p "$BUILD_DIR" --quiet --warnings-as-errors='*'
