// The spectrum estimate against FFTW's own transform of the same length: the difference is the
// half rotation, the frequencies and the dB levels.

#include <vector>

#include "BenchSupport.h"
#include "dsp/FourierTransform.h"
#include "display/PlotGeometry.h"
#include "display/Spectrum.h"

namespace quorvel::bench {
namespace {

void spectrumLengths(benchmark::internal::Benchmark* b) {
    b->Arg(1'000)->Arg(10'000)->Arg(100'000)->Arg(100'003)->Arg(1'000'000)->Arg(10'000'000);
    b->Unit(benchmark::kMillisecond);
}

void BM_FftwTransform(benchmark::State& state) {
    const auto samples = randomSamples(static_cast<std::size_t>(state.range(0)));
    FourierTransform transform(samples.size());
    for (auto _ : state) {
        benchmark::DoNotOptimize(transform.forward(samples).data());
    }
    countItems(state);
}
BENCHMARK(BM_FftwTransform)->Apply(spectrumLengths);

void BM_ComputeSpectrum(benchmark::State& state) {
    const auto samples = randomSamples(static_cast<std::size_t>(state.range(0)));
    std::vector<double> frequencies;
    std::vector<double> levels;
    computeSpectrum(samples, 10000.0, frequencies, levels);  // plans this length once
    for (auto _ : state) {
        computeSpectrum(samples, 10000.0, frequencies, levels);
        benchmark::DoNotOptimize(levels.data());
    }
    countItems(state);
}
BENCHMARK(BM_ComputeSpectrum)->Apply(spectrumLengths);

void BM_PlotGeometry(benchmark::State& state) {
    const auto samples = randomSamples(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(computeTimePlot(samples, 858, 248));
        benchmark::DoNotOptimize(computeConstellationPlot(samples, 413, 248));
    }
    countItems(state);
}
BENCHMARK(BM_PlotGeometry)->Apply(decades);

}  // namespace
}  // namespace quorvel::bench
