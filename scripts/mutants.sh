#!/usr/bin/env bash
# The mutation check, run by hand before a release (not part of `make test`): each mutant below is
# a plausible one-line bug, and the test suite must fail on every one. A mutant the suite survives
# is a hole in the tests.
#
#   scripts/mutants.sh            every mutant
#   scripts/mutants.sh -l         the list
#   scripts/mutants.sh NAME...    those mutants only
#
# The committed tree (HEAD) is copied to build-mutants/ and built in build-mutants/build/ without
# the desktop program or the benchmarks. The copy is laid out as the repository is, so that its
# objects have the same relative paths and flags as those of build/ and ccache, when installed,
# serves the unchanged ones. The suite must pass unchanged first; then for each mutant the one
# line is edited in the copy, the unit tests and quorvel-cli are rebuilt, and ctest runs (without
# the module's tests, the Slurm cluster and the benchmark scripts) until the first failing test.
# The line is restored afterwards. Exits non-zero when a mutant survives, does not apply (its line
# changed: update the table) or does not compile.
set -euo pipefail
cd "$(dirname "$0")/.."
repo="$PWD"
jobs="${JOBS:-$(nproc)}"

# name | file | the exact text of the line's part to change | what it becomes (no field holds a |)
mutants=(
  "gray-encode-not-decode|src/modulation/GrayCode.cpp|shift < 32; shift <<= 1|shift < 2; shift <<= 1"
  "rrc-cosine-term|src/channel/PulseShapes.cpp|x * std::cos(Pi * t * (1.0 + beta))|x * std::cos(Pi * t * (1.0 - beta))"
  "raised-cosine-denominator|src/channel/PulseShapes.cpp|/ (1.0 - x * x);|/ (1.0 + x * x);"
  "gaussian-bandwidth|src/channel/PulseShapes.cpp|std::exp(-2.0 * Pi * Pi * bt * bt|std::exp(-Pi * Pi * bt * bt"
  "noise-power-not-halved|src/channel/WhiteGaussianNoise.cpp|signalPower / dbToLinear(snrDb) * 0.5|signalPower / dbToLinear(snrDb)"
  "esn0-sign|src/modulation/SymbolTiming.cpp|double snr = p.snrDb - 10.0|double snr = p.snrDb + 10.0"
  "ebn0-sign|src/modulation/SymbolTiming.cpp|snr += 10.0 * std::log10(static_cast<double>(std::max(bits, 1)));|snr -= 10.0 * std::log10(static_cast<double>(std::max(bits, 1)));"
  "psk-half-circle|src/modulation/Psk.cpp|((Pi * 2.0) * static_cast<double>(index))|(Pi * static_cast<double>(index))"
  "mixing-in-cycles|src/channel/Mixing.cpp|const double radiansPerSecond = (Pi * 2.0) * frequencyHz;|const double radiansPerSecond = Pi * frequencyHz;"
  "iq-amplitude-in-20-db|src/channel/IqImbalance.cpp|polar(std::pow(10.0, imbalance.amplitudeDb / 40.0), -halfPhase)|polar(std::pow(10.0, imbalance.amplitudeDb / 20.0), -halfPhase)"
  "iq-phase-common-turn|src/channel/IqImbalance.cpp|polar(std::pow(10.0, imbalance.amplitudeDb / 40.0), -halfPhase)|polar(std::pow(10.0, imbalance.amplitudeDb / 40.0), halfPhase)"
  "timing-drift-off-by-one|src/channel/TimingError.cpp|return (static_cast<double>(i) / count) * drift|return (static_cast<double>(i + 1) / count) * drift"
  "dataset-snr-label|src/dataset/CapturePlan.cpp|static_cast<std::size_t>(index / repetitions % snrs)|static_cast<std::size_t>(index % snrs)"
  "efbig-not-final|src/synthesis/FileRun.cpp|error == EFBIG|error == EFAULT"
  "csv-five-digits|src/export/SampleFormat.cpp|std::chars_format::general, 6)|std::chars_format::general, 5)"
  "qam-scale-by-energy|src/modulation/Qam.cpp|const double scale = 1.0 / std::sqrt(peakEnergy);|const double scale = 1.0 / peakEnergy;"
)

field() { local IFS='|'; read -r -a parts <<<"$1"; echo "${parts[$2]}"; }

if [ "${1:-}" = "-l" ]; then
  for m in "${mutants[@]}"; do printf '%-28s %s\n' "$(field "$m" 0)" "$(field "$m" 1)"; done
  exit 0
fi
chosen=("$@")
picked() {
  [ ${#chosen[@]} -eq 0 ] && return 0
  local c
  for c in "${chosen[@]}"; do [ "$c" = "$1" ] && return 0; done
  return 1
}

work="$repo/build-mutants"
source_copy="$work"
build="$work/build"
mkdir -p "$work"
find "$work" -mindepth 1 -maxdepth 1 ! -name build -exec rm -rf {} +
# Fresh times (-m): the objects of an earlier run, of its last mutant perhaps, must not pass for
# those of these sources; ccache makes the rebuild cheap.
git -C "$repo" archive --format=tar HEAD | tar -x -m -C "$source_copy"
mkdir -p "$build"
# The release preset's flags (the module's position-independent code included), so that the
# compiler cache serves the objects build/ made.
cmake -S "$source_copy" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUORVEL_WERROR=ON \
  -DQUORVEL_BUILD_GUI=OFF -DQUORVEL_BUILD_BENCH=OFF -DQUORVEL_BUILD_TESTS=ON >"$build/configure.log"

# What the build and the tests print goes to $build/NAME.build.log and $build/NAME.test.log.
build_and_test() {
  cmake --build "$build" -j "$jobs" --target quorvel_tests quorvel-cli >"$build/$1.build.log" 2>&1 || return 2
  (cd "$build" && ctest -j "$jobs" --stop-on-failure --timeout 900 -E 'SlurmArrayJob|BenchScriptsParse|PythonModule' \
    >"$build/$1.test.log" 2>&1) || return 1
  return 0
}

echo "The suite on the unchanged copy"
if ! build_and_test unchanged; then
  echo "The unchanged copy does not build or pass its tests; see $build/unchanged.*.log" >&2
  exit 1
fi

survived=()
broken=()
caught=0
for m in "${mutants[@]}"; do
  name="$(field "$m" 0)"
  picked "$name" || continue
  file="$source_copy/$(field "$m" 1)"
  from="$(field "$m" 2)"
  to="$(field "$m" 3)"
  if [ "$(grep -cF -- "$from" "$file")" != 1 ]; then
    echo "$name: the text is not on exactly one line of $(field "$m" 1)"
    broken+=("$name")
    continue
  fi
  cp "$file" "$build/original"
  FROM="$from" TO="$to" perl -i -pe 's/\Q$ENV{FROM}\E/$ENV{TO}/' "$file"
  status=0
  build_and_test "$name" || status=$?
  cp "$build/original" "$file"
  case "$status" in
    1) caught=$((caught + 1))
       echo "$name: caught by $(sed -n 's/^ *[0-9]*\/[0-9]* Test *#[0-9]*: \([^ ]*\) .*Failed.*/\1/p' "$build/$name.test.log" | head -n 1)" ;;
    2) echo "$name: does not compile (see $build/$name.build.log)"; broken+=("$name") ;;
    *) echo "$name: SURVIVED"; survived+=("$name") ;;
  esac
done
# Leave the copy built as committed, so that the next run starts from it.
cmake --build "$build" -j "$jobs" --target quorvel_tests quorvel-cli >"$build/unchanged.build.log" 2>&1 || true

echo "Caught $caught; survived ${#survived[@]}${survived[*]:+ (${survived[*]})}; not applied ${#broken[@]}${broken[*]:+ (${broken[*]})}"
[ ${#survived[@]} -eq 0 ] && [ ${#broken[@]} -eq 0 ]
