#!/usr/bin/env bash
# Builds the fuzz targets (the fuzz preset, clang) and runs each for the given number of seconds
# (default 60) on one core, two targets at a time (FUZZ_PARALLEL). Each target starts from its
# committed seeds in fuzz/corpus/<target>/ and grows its own corpus in build-fuzz/corpus/<target>/,
# which later runs continue from; a crashing input lands in build-fuzz/artifacts/<target>/. Exits
# non-zero when any target fails. The executions and time of every run are appended to
# build-fuzz/fuzz-runs.log.
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

# One target's run; its exit status, its report in build-fuzz/<target>.report.
fuzz_one() {
  local target="$1"
  local corpus="build-fuzz/corpus/$target"
  local artifacts="build-fuzz/artifacts/$target"
  local log="build-fuzz/$target.log"
  mkdir -p "$corpus" "$artifacts"
  local status=0
  "build-fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=4096 \
    -dict=fuzz/numbers.dict -print_final_stats=1 -artifact_prefix="$artifacts/" \
    "$corpus" "fuzz/corpus/$target" >"$log" 2>&1 || status=$?
  local runs
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  echo "$(date -u +%FT%TZ) $target seconds=$seconds executions=${runs:-?} status=$status" \
    >>build-fuzz/fuzz-runs.log
  {
    echo "Fuzzed $target for ${seconds} s: ${runs:-?} executions, corpus $(find "$corpus" -type f | wc -l) inputs"
    [ "$status" -eq 0 ] || tail -n 60 "$log"
  } >"build-fuzz/$target.report"
  return "$status"
}

# Two targets at a time, each on one core: the machine the gate runs on has two.
parallel="${FUZZ_PARALLEL:-2}"
failed=()
for ((first = 0; first < ${#targets[@]}; first += parallel)); do
  batch=("${targets[@]:first:parallel}")
  pids=()
  for target in "${batch[@]}"; do
    fuzz_one "$target" &
    pids+=("$!")
  done
  for k in "${!batch[@]}"; do
    status=0
    wait "${pids[$k]}" || status=$?
    cat "build-fuzz/${batch[$k]}.report"
    [ "$status" -eq 0 ] || failed+=("${batch[$k]}")
  done
done

if [ ${#failed[@]} -ne 0 ]; then
  echo "Fuzz targets that failed: ${failed[*]} (inputs in build-fuzz/artifacts/)" >&2
  exit 1
fi
