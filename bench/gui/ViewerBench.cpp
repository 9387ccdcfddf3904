// Opening the viewer on a long signal: the spectrum plus the first paint of all three canvases,
// then a repaint from the kept images, the plot drawing with and without its shortcuts, and the
// reductions the viewer draws from.
// Runs on Qt's offscreen platform: ./build/quorvel-gui-bench
// CPU times are the whole process's, so work handed to other threads is counted too.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>

#include "app/widgets/ApplicationState.h"
#include "display/PlotGeometry.h"
#include "display/widgets/LineRaster.h"
#include "display/widgets/PlotCanvas.h"
#include "display/widgets/PlotPainting.h"
#include "display/widgets/PlotReduction.h"
#include "display/widgets/SignalViewer.h"

namespace quorvel {
namespace {

constexpr std::int64_t kMillion = 1000000;
constexpr std::int64_t kTenMillion = 10000000;
constexpr std::int64_t kSamplesPerSymbol = 10;  // the default rates

// The default run's settings with this many samples, through the real pipeline once per count.
const ApplicationState& stateWithSamples(std::int64_t samples) {
    static std::map<std::int64_t, std::unique_ptr<ApplicationState>> states;
    std::unique_ptr<ApplicationState>& state = states[samples];
    if (!state) {
        state = std::make_unique<ApplicationState>(seededSequence(1));
        const auto folder = std::filesystem::temp_directory_path() / "quorvel-gui-bench";
        std::filesystem::create_directories(folder);
        SignalParameters p;
        p.symbolCount = static_cast<std::int32_t>(samples / kSamplesPerSymbol);
        p.savePath = folder.string();
        p.outputFormat = OutputFormat::Cf32;  // the quickest file to write; only the signal counts
        GenerationResult result = state->Synthesizer.generateSignal(p);
        std::filesystem::remove_all(folder);
        state->CurrentSignal = std::move(result.signal);
        state->MappedSymbols = std::move(result.mappedSymbols);
    }
    return *state;
}

// Creates a viewer, paints its three canvases for the first time, closes it. spectrumKept 0: every
// opening estimates the spectrum afresh, as the first opening of a signal does; 1: every opening
// finds it kept from an opening before the timing, as the desktop program's later openings do.
// Each row so times the same thing at every length: a storage kept only across the loop would
// make a row's figure the mean of one estimate and as many reuses as the length allows.
void BM_OpenViewer(benchmark::State& bench) {
    const ApplicationState& source = stateWithSamples(bench.range(0));
    const ViewerData data{source.CurrentSignal, source.MappedSymbols, source.ViewerSampleRate,
                          bench.range(1) != 0};
    const bool kept = bench.range(2) != 0;
    SpectrumStorage keptSpectrum;
    const auto open = [&data](SpectrumStorage& spectrum) {
        auto* viewer = new SignalViewer(data, spectrum);
        viewer->show();
        benchmark::DoNotOptimize(viewer->grab());
        delete viewer;
    };
    if (kept) {
        open(keptSpectrum);
    }
    for (auto _ : bench) {
        if (kept) {
            open(keptSpectrum);
        } else {
            SpectrumStorage fresh;
            open(fresh);
        }
    }
    bench.counters["samples"] = static_cast<double>(data.signal.size());
}
BENCHMARK(BM_OpenViewer)
    ->ArgNames({"samples", "sampledData", "spectrumKept"})
    ->ArgsProduct({{kMillion, kTenMillion}, {0, 1}, {0, 1}})
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond);

// Repainting an open viewer: the canvases only copy their kept images.
void BM_RepaintOpenViewer(benchmark::State& bench) {
    const ApplicationState& source = stateWithSamples(kMillion);
    SpectrumStorage spectrum;
    auto* viewer = new SignalViewer(
        {source.CurrentSignal, source.MappedSymbols, source.ViewerSampleRate, true}, spectrum);
    viewer->show();
    viewer->grab();
    for (auto _ : bench) {
        benchmark::DoNotOptimize(viewer->grab());
    }
    delete viewer;
}
BENCHMARK(BM_RepaintOpenViewer)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

// The time plot of 10^6 samples: shortened per pixel column, or a segment for every sample.
void BM_TimePlot(benchmark::State& bench) {
    const auto points = computeTimePlot(stateWithSamples(kMillion).CurrentSignal, 858, 248);
    const bool shortened = bench.range(0) != 0;
    for (auto _ : bench) {
        QImage image = makeCanvasImage(858, 248);
        if (shortened) {
            drawPlotLine(image, points, kTimeLineColour);
        } else {
            drawPolyline(image, points, kTimeLineColour.rgb());
        }
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_TimePlot)
    ->ArgName("shortened")
    ->Arg(0)
    ->Arg(1)
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond);

// The constellation of 10^6 samples: stamped once per box, or a painter call for every dot.
void BM_Constellation(benchmark::State& bench) {
    const auto boxes = computeConstellationPlot(stateWithSamples(kMillion).CurrentSignal, 413, 248);
    const bool shortened = bench.range(0) != 0;
    for (auto _ : bench) {
        QImage image = makeCanvasImage(413, 248);
        if (shortened) {
            drawDots(image, boxes);
        } else {
            QPainter painter(&image);
            for (const DotBox& box : boxes) {
                drawDot(painter, box);
            }
        }
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_Constellation)
    ->ArgName("shortened")
    ->Arg(0)
    ->Arg(1)
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond);

// The reductions the viewer draws from, straight from the samples: the time per sample should
// not grow with the length.
void BM_CollapsedTimePlot(benchmark::State& bench) {
    const SampleBuffer& signal = stateWithSamples(bench.range(0)).CurrentSignal;
    for (auto _ : bench) {
        benchmark::DoNotOptimize(collapsedTimePlot(signal, 858, 248));
    }
    bench.SetItemsProcessed(bench.iterations() * bench.range(0));
}
BENCHMARK(BM_CollapsedTimePlot)
    ->ArgName("samples")
    ->Arg(kMillion)
    ->Arg(kTenMillion)
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond);

void BM_VisibleConstellation(benchmark::State& bench) {
    const SampleBuffer& signal = stateWithSamples(bench.range(0)).CurrentSignal;
    for (auto _ : bench) {
        benchmark::DoNotOptimize(visibleConstellation(signal, 413, 248));
    }
    bench.SetItemsProcessed(bench.iterations() * bench.range(0));
}
BENCHMARK(BM_VisibleConstellation)
    ->ArgName("samples")
    ->Arg(kMillion)
    ->Arg(kTenMillion)
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quorvel
