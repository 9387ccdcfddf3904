// The random draws of a file by either generator: noise over 10^6 samples and random indices of
// a 16-point alphabet, the twister (and the polar method) against the counter-based blocks
// (and Box-Muller). The ratio of each pair's times is what the counters cost on one thread.

#include "BenchSupport.h"
#include "channel/WhiteGaussianNoise.h"
#include "synthesis/SymbolSources.h"

namespace quorvel::bench {
namespace {

constexpr std::int64_t kCount = 1'000'000;

void noise(benchmark::State& state, NoiseDraws draws) {
    auto samples = randomSamples(static_cast<std::size_t>(kCount));
    for (auto _ : state) {
        NoiseGenerator(0.1, 7, draws).addTo(samples);
        benchmark::DoNotOptimize(samples.data());
    }
    state.SetItemsProcessed(state.iterations() * kCount);
}
BENCHMARK_CAPTURE(noise, Twister, NoiseDraws::PolarTwister)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(noise, Counter, NoiseDraws::CounterBoxMuller)->Unit(benchmark::kMillisecond);

void symbols(benchmark::State& state, bool counterDraws) {
    SignalParameters p;
    p.pskOrder = 16;
    p.symbolCount = static_cast<std::int32_t>(kCount);
    p.counterDraws = counterDraws;
    for (auto _ : state) {
        MersenneTwister engine(7);
        benchmark::DoNotOptimize(drawFileSymbols(p, engine));
    }
    state.SetItemsProcessed(state.iterations() * kCount);
}
BENCHMARK_CAPTURE(symbols, Twister, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(symbols, Counter, true)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quorvel::bench
