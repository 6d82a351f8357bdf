#!/usr/bin/env bash
# Builds the fuzz targets and runs each over its seed corpus and its
# regression inputs, then a fixed number of mutations from a fixed seed:
# a short, repeatable check that no input that once found a fault finds one
# again. Prints one line per target; exits non-zero when a target fails.
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
bin="$here/../build-fuzz/bin"
runs="${TARVO_FUZZ_RUNS:-2000}"

echo "== Fuzz regression (seed corpus + regressions + $runs runs per target) =="
bash "$here/build.sh" || { echo "fuzz targets failed to build"; exit 1; }
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
export TARVO_FUZZ_SCRATCH="$scratch"

status=0
for target in $(cd "$bin" && ls fuzz_* | sort); do
  mkdir -p "$scratch/$target"
  log="$scratch/$target.log"
  if "$bin/$target" -runs="$runs" -seed=1 -timeout=5 -rss_limit_mb=2048 -max_len=131072 \
      -artifact_prefix="$scratch/" "$scratch/$target" \
      "$here/corpus/$target" "$here/regressions/$target" >"$log" 2>&1; then
    echo "$target: ok ($(grep -oE 'Done [0-9]+ runs' "$log" | tail -1))"
  else
    status=1
    echo "$target: FAILED"
    tail -40 "$log"
  fi
done
exit $status
