#pragma once
// Inputs for the benchmarks: fixed-seed symbols and samples of a given size.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>

#include "common/Signal.h"

namespace quorvel::bench {

// 10^3, 10^4, ..., 10^7 elements.
inline void decades(benchmark::internal::Benchmark* b) {
    b->RangeMultiplier(10)->Range(1'000, 10'000'000)->Unit(benchmark::kMillisecond);
}

inline SymbolSequence randomSymbols(std::size_t count, std::int32_t alphabetSize) {
    std::mt19937 engine(12345);
    SymbolSequence symbols(count);
    for (auto& s : symbols) {
        s = static_cast<std::int32_t>(engine() % static_cast<std::uint32_t>(alphabetSize));
    }
    return symbols;
}

inline SampleBuffer randomSamples(std::size_t count) {
    std::mt19937 engine(54321);
    std::uniform_real_distribution<double> value(-1.0, 1.0);
    SampleBuffer samples(count);
    for (auto& s : samples) {
        s = {value(engine), value(engine)};
    }
    return samples;
}

inline void countItems(benchmark::State& state) {
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

}  // namespace quorvel::bench
