#!/usr/bin/env bash
# Builds the fuzz targets and fuzzes each in turn for SECONDS_PER_TARGET
# (default 300), one fuzzer process at a time. New interesting inputs go to a
# scratch corpus outside the tree (TARVO_FUZZ_WORK, default
# /tmp/tarvo-fuzz/corpus/<target>), faults to /tmp/tarvo-fuzz/artifacts/<target>/;
# the seeds and the regression inputs are read, never written. Targets with a
# dictionary in fuzz/dict/ get it.
# Usage: fuzz/run.sh [SECONDS_PER_TARGET] [TARGET...]
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
bin="$here/../build-fuzz/bin"
seconds="${1:-300}"
shift || true
work="${TARVO_FUZZ_WORK:-/tmp/tarvo-fuzz}"

bash "$here/build.sh" || exit 1
targets=("$@")
[ ${#targets[@]} -eq 0 ] && mapfile -t targets < <(cd "$bin" && ls fuzz_* | sort)

export TARVO_FUZZ_SCRATCH="$work/scratch"
status=0
for target in "${targets[@]}"; do
  corpus="$work/corpus/$target"
  artifacts="$work/artifacts/$target"
  mkdir -p "$corpus" "$artifacts" "$TARVO_FUZZ_SCRATCH"
  log="$work/$target.log"
  dict=()
  [ -f "$here/dict/$target.dict" ] && dict=(-dict="$here/dict/$target.dict")
  echo "== $target: ${seconds}s =="
  "$bin/$target" "${dict[@]}" -max_total_time="$seconds" -timeout=5 -rss_limit_mb=2048 -max_len=131072 \
    -print_final_stats=1 -artifact_prefix="$artifacts/" "$corpus" \
    "$here/corpus/$target" "$here/regressions/$target" >"$log" 2>&1
  rc=$?
  rm -rf "$TARVO_FUZZ_SCRATCH"/tarvo-fuzz-*
  grep -E '^#[0-9]+[[:space:]].*cov: ' "$log" | tail -1
  grep -E '^stat::number_of_executed_units' "$log"
  if [ $rc -ne 0 ]; then
    status=1
    echo "$target found a fault (log $log):"
    grep -E 'ERROR|SUMMARY|fuzz property failed|Test unit written' "$log" | head -5
  fi
done
exit $status
