// Each impairment stage over 10^3 ... 10^7 samples, to set beside BM_Mixing: the block stages
// pulled in the run's blocks, as a run uses them.

#include <memory>

#include "BenchSupport.h"
#include "channel/ClockOffset.h"
#include "channel/DcOffset.h"
#include "channel/IqImbalance.h"
#include "channel/MultipathFading.h"
#include "channel/PhaseNoise.h"
#include "channel/RappCompression.h"

namespace quorvel::bench {
namespace {

constexpr double kSamplingRateHz = 10000.0;
constexpr std::size_t kBlockSamples = 65536;

// Pulls every sample of the input through the stage that make builds over a source of it.
template <typename Make>
void pullThrough(benchmark::State& state, Make make) {
    const auto samples = randomSamples(static_cast<std::size_t>(state.range(0)));
    SampleBuffer block(kBlockSamples);
    for (auto _ : state) {
        BufferSource source(samples);
        auto stage = make(source, samples.size());
        while (stage->read(block) != 0) {
            benchmark::DoNotOptimize(block.data());
        }
    }
    countItems(state);
}

void BM_RappCompression(benchmark::State& state) {
    pullThrough(state, [](SampleSource& in, std::size_t) {
        return std::make_unique<RappCompressionStage>(in, RappCompression{2.0, 0.8});
    });
}
BENCHMARK(BM_RappCompression)->Apply(decades);

void BM_ClockOffset(benchmark::State& state) {
    pullThrough(state, [](SampleSource& in, std::size_t count) {
        return std::make_unique<ClockOffsetStage>(in, count, 50.0);
    });
}
BENCHMARK(BM_ClockOffset)->Apply(decades);

// Three taps: whole-sample delays only (range(1) 0) or one of them fractional (1).
void BM_Multipath(benchmark::State& state) {
    const double second = state.range(1) != 0 ? 3.5 : 3.0;
    const std::vector<MultipathTap> taps{{0.0, 0.0, 0.0}, {second, -6.0, 90.0}, {12.0, -10.0, 0.0}};
    pullThrough(state, [&taps](SampleSource& in, std::size_t count) {
        return std::make_unique<MultipathFadingStage>(in, count, taps, std::nullopt,
                                                      kSamplingRateHz, 1);
    });
}
BENCHMARK(BM_Multipath)
    ->ArgsProduct({{1'000'000, 10'000'000}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

// Flat fading: one path of 32 sinusoids.
void BM_Fading(benchmark::State& state) {
    pullThrough(state, [](SampleSource& in, std::size_t count) {
        return std::make_unique<MultipathFadingStage>(in, count, std::vector<MultipathTap>{},
                                                      Fading{FadingModel::Rician, 4.0, 20.0},
                                                      kSamplingRateHz, 1);
    });
}
BENCHMARK(BM_Fading)->Apply(decades);

void BM_PhaseNoise(benchmark::State& state) {
    pullThrough(state, [](SampleSource& in, std::size_t) {
        return std::make_unique<PhaseNoiseStage>(in, PhaseNoise{-80.0, 1000.0}, kSamplingRateHz, 1);
    });
}
BENCHMARK(BM_PhaseNoise)->Apply(decades);

void BM_IqImbalanceAndDcOffset(benchmark::State& state) {
    auto samples = randomSamples(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        applyIqImbalance(samples, {0.5, 3.0});
        addDcOffset(samples, {0.01, -0.02});
        benchmark::DoNotOptimize(samples.data());
    }
    countItems(state);
}
BENCHMARK(BM_IqImbalanceAndDcOffset)->Apply(decades);

}  // namespace
}  // namespace quorvel::bench
