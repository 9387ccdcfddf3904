// Each mapper over 10^3 ... 10^7 symbols (FSK, MSK and GMSK: output samples, 10 per symbol).

#include "BenchSupport.h"
#include "modulation/Apsk.h"
#include "modulation/SchemeCatalog.h"
#include "modulation/Fsk.h"
#include "modulation/Gmsk.h"
#include "modulation/Msk.h"
#include "modulation/Oqpsk.h"
#include "modulation/Pi4Dqpsk.h"
#include "modulation/Psk.h"
#include "modulation/Qam.h"

namespace quorvel::bench {
namespace {

constexpr double kSamplesPerSymbol = 10.0;

void BM_ModulatePsk(benchmark::State& state) {
    const auto symbols = randomSymbols(static_cast<std::size_t>(state.range(0)), 4);
    for (auto _ : state) {
        benchmark::DoNotOptimize(modulatePsk(symbols, 4));
    }
    countItems(state);
}
BENCHMARK(BM_ModulatePsk)->Apply(decades);

void BM_ModulateOqpsk(benchmark::State& state) {
    const auto symbols = randomSymbols(static_cast<std::size_t>(state.range(0)), 4);
    for (auto _ : state) {
        benchmark::DoNotOptimize(modulateOqpsk(symbols));
    }
    countItems(state);
}
BENCHMARK(BM_ModulateOqpsk)->Apply(decades);

void BM_ModulatePi4Dqpsk(benchmark::State& state) {
    const auto symbols = randomSymbols(static_cast<std::size_t>(state.range(0)), 4);
    for (auto _ : state) {
        benchmark::DoNotOptimize(modulatePi4Dqpsk(symbols, Pi * 0.25));
    }
    countItems(state);
}
BENCHMARK(BM_ModulatePi4Dqpsk)->Apply(decades);

void BM_ModulateQam(benchmark::State& state) {
    const auto order = static_cast<int>(state.range(1));
    const auto symbols = randomSymbols(static_cast<std::size_t>(state.range(0)), order);
    for (auto _ : state) {
        benchmark::DoNotOptimize(modulateQam(symbols, order));
    }
    countItems(state);
}
BENCHMARK(BM_ModulateQam)
    ->ArgsProduct({{1'000, 100'000, 10'000'000}, {16, 32, 2048}})
    ->Unit(benchmark::kMillisecond);

void BM_ModulateApsk(benchmark::State& state) {
    const auto symbols = randomSymbols(static_cast<std::size_t>(state.range(0)), 64);
    const auto rings = defaultApskRings(64);
    for (auto _ : state) {
        benchmark::DoNotOptimize(modulateApsk(symbols, rings.ringSizes, rings.ringRadii));
    }
    countItems(state);
}
BENCHMARK(BM_ModulateApsk)->Apply(decades);

// The frequency-keyed mappers: range(0) output samples.
void BM_ModulateFsk(benchmark::State& state) {
    const auto symbols = randomSymbols(static_cast<std::size_t>(state.range(0) / 10), 8);
    for (auto _ : state) {
        benchmark::DoNotOptimize(modulateFsk(symbols, 8, 1000.0, 1000.0 * kSamplesPerSymbol));
    }
    countItems(state);
}
BENCHMARK(BM_ModulateFsk)->Apply(decades);

void BM_ModulateMsk(benchmark::State& state) {
    const auto symbols = randomSymbols(static_cast<std::size_t>(state.range(0) / 10), 2);
    for (auto _ : state) {
        benchmark::DoNotOptimize(modulateMsk(symbols, kSamplesPerSymbol));
    }
    countItems(state);
}
BENCHMARK(BM_ModulateMsk)->Apply(decades);

void BM_ModulateGmsk(benchmark::State& state) {
    const auto symbols = randomSymbols(static_cast<std::size_t>(state.range(0) / 10), 2);
    for (auto _ : state) {
        benchmark::DoNotOptimize(modulateGmsk(symbols, kSamplesPerSymbol));
    }
    countItems(state);
}
BENCHMARK(BM_ModulateGmsk)->Apply(decades);

}  // namespace
}  // namespace quorvel::bench
