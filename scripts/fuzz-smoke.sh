#!/usr/bin/env bash
# Builds the libFuzzer targets and runs each one briefly from its seed corpus
# in tests/fuzz/corpus/<target>/. New inputs go to a scratch folder, so the
# repository's corpus stays as committed. A crash, a leak or a timeout fails.
# The seed of the mutations is fixed (FUZZ_SEED, 1): a short run then repeats
# the start of a longer one with the same seed, so CI checks what was tried
# here and does not fail on a fault found by chance; another seed and more
# seconds look for new ones.
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_PER_TARGET="${FUZZ_SECONDS:-15}"
SEED="${FUZZ_SEED:-1}"
make fuzz
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
failed=0
for source in tests/fuzz/fuzz_*.cpp; do
  target="$(basename "$source" .cpp)"
  seeds="tests/fuzz/corpus/$target"
  if [ ! -d "$seeds" ] || [ -z "$(ls -A "$seeds")" ]; then
    echo "fuzz-smoke: $target has no seed corpus in $seeds" >&2
    failed=1
    continue
  fi
  mkdir -p "$scratch/$target"
  echo "== $target (${SECONDS_PER_TARGET} s)"
  if ! (cd "$scratch" && "$OLDPWD/build-fuzz/bin/$target" -max_total_time="$SECONDS_PER_TARGET" -seed="$SEED" \
          -timeout=20 -rss_limit_mb=2048 -print_final_stats=1 "$scratch/$target" "$OLDPWD/$seeds" \
          > "$scratch/$target.log" 2>&1); then
    tail -n 40 "$scratch/$target.log" >&2
    echo "fuzz-smoke: $target failed" >&2
    failed=1
  else
    grep -E "^stat::number_of_executed_units|^Done" "$scratch/$target.log" || true
  fi
done
exit "$failed"
