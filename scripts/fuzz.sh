#!/usr/bin/env bash
# Builds the fuzz targets (the fuzz preset, clang) and runs each for the given number of seconds
# (default 60) on one core. Each target starts from its committed seeds in fuzz/corpus/<target>/
# and grows its own corpus in build-fuzz/corpus/<target>/, which later runs continue from; a
# crashing input lands in build-fuzz/artifacts/<target>/. Exits non-zero when any target fails.
# The executions and time of every run are appended to build-fuzz/fuzz-runs.log.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
targets=(ReadControlPanelFuzzer ApskRadiiFuzzer GenerateSignalFuzzer SigmfRecordFuzzer
  DatasetRecipeFuzzer ShardMergeFuzzer)

cmake --preset fuzz >/dev/null
cmake --build build-fuzz -j "$(nproc)" --target "${targets[@]}"

# Leaks fail a run; the sanitisers stop at the first finding either way.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:halt_on_error=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}"

failed=()
for target in "${targets[@]}"; do
  corpus="build-fuzz/corpus/$target"
  artifacts="build-fuzz/artifacts/$target"
  log="build-fuzz/$target.log"
  mkdir -p "$corpus" "$artifacts"
  echo "Fuzzing $target for ${seconds} s"
  status=0
  "build-fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=4096 \
    -dict=fuzz/numbers.dict -print_final_stats=1 -artifact_prefix="$artifacts/" \
    "$corpus" "fuzz/corpus/$target" >"$log" 2>&1 || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  echo "$(date -u +%FT%TZ) $target seconds=$seconds executions=${runs:-?} status=$status" \
    >>build-fuzz/fuzz-runs.log
  echo "  ${runs:-?} executions, corpus $(find "$corpus" -type f | wc -l) inputs"
  if [ "$status" -ne 0 ]; then
    tail -n 60 "$log"
    failed+=("$target")
  fi
done

if [ ${#failed[@]} -ne 0 ]; then
  echo "Fuzz targets that failed: ${failed[*]} (inputs in build-fuzz/artifacts/)" >&2
  exit 1
fi
