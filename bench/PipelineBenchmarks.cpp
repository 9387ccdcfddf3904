// Whole runs: symbols to files, QPSK at 10 samples per symbol with noise, 10^3 ... 10^7 samples.

#include <cstdio>
#include <string>

#include <fcntl.h>
#include <unistd.h>

#include "BenchSupport.h"
#include "export/Cf32Sink.h"
#include "synthesis/SignalChain.h"
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

// The stages before the noise, pulled in the run's blocks: the cost of each pass over a file.
void BM_SignalChain(benchmark::State& state) {
    SignalParameters p;
    p.symbolCount = static_cast<std::int32_t>(state.range(0) / 10);
    p.timingError = static_cast<double>(state.range(1)) / 100.0;
    SampleBuffer block(65536);
    for (auto _ : state) {
        SymbolEngine engine(7);
        SignalChain chain(p, engine, nullptr);
        while (chain.read(block) != 0) {
            benchmark::DoNotOptimize(block.data());
        }
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SignalChain)->ArgsProduct({{1'000'000, 10'000'000}, {0, 25}})->Unit(benchmark::kMillisecond);

// QPSK at 10 samples per symbol (0) beside OFDM of 64 bins, 54 of them QPSK subcarriers, a
// quarter prefix (1): the pass before the noise over state.range(0) samples.
void BM_WaveformChain(benchmark::State& state) {
    SignalParameters p;
    p.symbolCount = static_cast<std::int32_t>(state.range(0) / 10);
    if (state.range(1) == 1) {
        p.modulationType = ModulationType::Ofdm;
        p.symbolCount = static_cast<std::int32_t>(state.range(0) / 80 * 54);
    }
    SampleBuffer block(65536);
    for (auto _ : state) {
        SymbolEngine engine(7);
        SignalChain chain(p, engine, nullptr);
        while (chain.read(block) != 0) {
            benchmark::DoNotOptimize(block.data());
        }
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_WaveformChain)->ArgsProduct({{10'000'000}, {0, 1}})->Unit(benchmark::kMillisecond);

// The same pass with every impairment before the noise (the "impaired" run of bench/compare).
void BM_ImpairedSignalChain(benchmark::State& state) {
    SignalParameters p;
    p.symbolCount = static_cast<std::int32_t>(state.range(0) / 10);
    p.impairments = {.amplifier = RappCompression{2.0, 0.8},
                     .clockOffsetPpm = 50.0,
                     .multipath = {{0.0, 0.0, 0.0}, {3.5, -6.0, 90.0}, {12.0, -10.0, 0.0}},
                     .fading = Fading{FadingModel::Rician, 4.0, 20.0},
                     .phaseNoise = PhaseNoise{-80.0, 1000.0}};
    SampleBuffer block(65536);
    for (auto _ : state) {
        SymbolEngine engine(7);
        SignalChain chain(p, engine, nullptr, {.fading = 1, .phaseNoise = 2});
        while (chain.read(block) != 0) {
            benchmark::DoNotOptimize(block.data());
        }
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ImpairedSignalChain)->Arg(1'000'000)->Arg(10'000'000)->Unit(benchmark::kMillisecond);

// A whole streamed run into cf32 on /dev/null: both passes, the noise and the encoding, no disk.
void BM_StreamedCf32Run(benchmark::State& state) {
    SignalParameters p;
    p.symbolCount = static_cast<std::int32_t>(state.range(0) / 10);
    p.outputFormat = OutputFormat::Cf32;
    const int devNull = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    const SignalSynthesizer synthesizer(seededSequence(7));
    for (auto _ : state) {
        Cf32Sink sink(ByteOutput::toDescriptor(devNull, "/dev/null"));
        RunOptions options;
        options.keepLastSignal = false;
        options.sampleStream = &sink;
        benchmark::DoNotOptimize(synthesizer.generateSignal(p, options));
    }
    ::close(devNull);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_StreamedCf32Run)->Arg(1'000'000)->Arg(10'000'000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quorvel::bench
