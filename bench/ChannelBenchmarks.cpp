// Each channel stage over 10^3 ... 10^7 output samples.

#include "BenchSupport.h"
#include "channel/FrequencyOffset.h"
#include "channel/Mixing.h"
#include "channel/Resampling.h"
#include "channel/TimingError.h"
#include "channel/WhiteGaussianNoise.h"
#include "common/SeedSource.h"

namespace quorvel::bench {
namespace {

constexpr double kSymbolRateHz = 1000.0;
constexpr double kSamplingRateHz = 10000.0;

void BM_Resample(benchmark::State& state) {
    const auto symbols = randomSamples(static_cast<std::size_t>(state.range(0) / 10));
    for (auto _ : state) {
        benchmark::DoNotOptimize(resampleToSamplingRate(symbols, kSymbolRateHz, kSamplingRateHz));
    }
    countItems(state);
}
BENCHMARK(BM_Resample)->Apply(decades);

void BM_Mixing(benchmark::State& state) {
    const auto samples = randomSamples(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(frequencyShift(samples, 1234.5, kSamplingRateHz));
    }
    countItems(state);
}
BENCHMARK(BM_Mixing)->Apply(decades);

void BM_TimingError(benchmark::State& state) {
    const auto samples = randomSamples(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(applyTimingError(samples, 0.5, kSymbolRateHz, kSamplingRateHz));
    }
    countItems(state);
}
BENCHMARK(BM_TimingError)->Apply(decades);

void BM_FrequencyOffset(benchmark::State& state) {
    const auto samples = randomSamples(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(applyFrequencyOffset(samples, -321.0, kSamplingRateHz));
    }
    countItems(state);
}
BENCHMARK(BM_FrequencyOffset)->Apply(decades);

void BM_Noise(benchmark::State& state) {
    const auto samples = randomSamples(static_cast<std::size_t>(state.range(0)));
    const auto seeds = seededSequence(1);
    for (auto _ : state) {
        benchmark::DoNotOptimize(addWhiteGaussianNoise(samples, 30.0, seeds));
    }
    countItems(state);
}
BENCHMARK(BM_Noise)->Apply(decades);

}  // namespace
}  // namespace quorvel::bench
