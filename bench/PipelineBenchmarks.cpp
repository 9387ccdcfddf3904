// Whole runs: symbols to files, QPSK at 10 samples per symbol with noise, 10^3 ... 10^7 samples.

#include <cstdio>
#include <string>

#include "BenchSupport.h"
#include "synthesis/SignalSynthesizer.h"

namespace quorvel::bench {
namespace {

void BM_GenerateSignal(benchmark::State& state) {
    SignalParameters p;
    p.symbolCount = static_cast<std::int32_t>(state.range(0) / 10);
    p.fileCount = static_cast<std::int32_t>(state.range(1));
    const SignalSynthesizer synthesizer(seededSequence(7));
    for (auto _ : state) {
        benchmark::DoNotOptimize(synthesizer.generateSignal(p));
    }
    for (std::int32_t k = 1; k <= p.fileCount; ++k) {
        std::remove(("./modulated_signal_" + std::to_string(k) + ".csv").c_str());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0) * state.range(1));
}
BENCHMARK(BM_GenerateSignal)
    ->ArgsProduct({{1'000, 10'000, 100'000, 1'000'000, 10'000'000}, {1}})
    ->Args({1'000'000, 4})
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quorvel::bench
