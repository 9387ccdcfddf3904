// The analyzer on a recording of 10^9 cf32 samples (8 GB): opening it and drawing the first time
// view, then redrawing zoomed views once its min/max pyramid is built, and building the pyramid.
// The recording is written once into $TMPDIR/quorvel-analyzer-bench/ (a slow ramp in I, a tone in
// Q) and kept for the next run; remove the folder to free the disk.
// Runs on Qt's offscreen platform (GuiBenchMain.cpp): ./build/quorvel-analyzer-bench
// Wall times (the pyramid builds on a thread of its own). The file is read from the page cache
// when memory holds it, as it does on the 24 GB build machine after the first run.

#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <vector>

#include "analyzer/AnalyzedRecording.h"
#include "analyzer/widgets/TimeView.h"

namespace quorvel {
namespace {

constexpr std::uint64_t kBillion = 1000000000;
const QSize kViewSize{1200, 500};

// The path of the recording's metadata, writing it first when it is not there whole.
std::string recording(std::uint64_t samples) {
    const auto folder = std::filesystem::temp_directory_path() / "quorvel-analyzer-bench";
    std::filesystem::create_directories(folder);
    const std::string base = (folder / ("r" + std::to_string(samples))).string();
    const std::string data = base + ".sigmf-data";
    std::error_code error;
    if (std::filesystem::file_size(data, error) != samples * 8) {
        std::fprintf(stderr, "writing %s (%llu samples) once...\n", data.c_str(),
                     static_cast<unsigned long long>(samples));
        const std::string partial = data + ".partial";
        std::ofstream out(partial, std::ios::binary);
        std::vector<float> block(2 << 20);
        for (std::uint64_t n = 0; n < samples;) {
            const std::uint64_t count = std::min<std::uint64_t>(block.size() / 2, samples - n);
            for (std::uint64_t k = 0; k < count; ++k, ++n) {
                block[2 * k] =
                    static_cast<float>(static_cast<double>(n) / static_cast<double>(samples) - 0.5);
                block[2 * k + 1] =
                    static_cast<float>(0.3 * std::sin(1e-3 * static_cast<double>(n)));
            }
            out.write(reinterpret_cast<const char*>(block.data()),
                      static_cast<std::streamsize>(count * 8));
        }
        out.close();
        std::filesystem::rename(partial, data);
        std::ofstream(base + ".sigmf-meta")
            << R"({"global": {"core:datatype": "cf32_le", "core:sample_rate": 1e8, "core:version": "1.0.0"}})";
    }
    return base + ".sigmf-meta";
}

void paint(TimeView& view) {
    QImage image(kViewSize, QImage::Format_RGB32);
    QPainter painter(&image);
    view.render(painter, kViewSize);
}

// Opening: mapping the file, its metadata, and the first picture of the whole recording, which
// samples the columns the pyramid has not reached yet.
void BM_OpenAndFirstPicture(benchmark::State& bench) {
    const std::string path = recording(static_cast<std::uint64_t>(bench.range(0)));
    for (auto _ : bench) {
        AnalyzedRecording opened(path);
        TimeView view(opened, nullptr);
        view.resize(kViewSize);
        paint(view);
    }
}
BENCHMARK(BM_OpenAndFirstPicture)
    ->Arg(10000)
    ->Arg(kBillion)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// Building the pyramid: one pass over the whole file.
void BM_BuildPyramid(benchmark::State& bench) {
    const std::string path = recording(static_cast<std::uint64_t>(bench.range(0)));
    for (auto _ : bench) {
        AnalyzedRecording opened(path);
        opened.waitForPyramid();
    }
}
BENCHMARK(BM_BuildPyramid)
    ->Arg(10000)
    ->Arg(kBillion)
    ->UseRealTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// A redraw after a zoom: the time view over a span of range(1) samples somewhere in the file,
// from the complete pyramid.
void BM_ZoomRedraw(benchmark::State& bench) {
    static std::unique_ptr<AnalyzedRecording> opened;
    const auto samples = static_cast<std::uint64_t>(bench.range(0));
    const std::string path = recording(samples);
    if (!opened || opened->recording().metadataPath != path) {
        opened.reset();
        opened = std::make_unique<AnalyzedRecording>(path);
        opened->waitForPyramid();
    }
    TimeView view(*opened, nullptr);
    view.resize(kViewSize);
    const auto span = std::min<std::uint64_t>(static_cast<std::uint64_t>(bench.range(1)), samples);
    std::mt19937_64 engine(1);
    for (auto _ : bench) {
        const std::uint64_t begin = engine() % (samples - span + 1);
        view.showSamples(begin, begin + span);
        paint(view);
    }
}
BENCHMARK(BM_ZoomRedraw)
    ->Args({10000, 10000})
    ->Args({kBillion, 10000})
    ->Args({kBillion, 10000000})
    ->Args({kBillion, kBillion})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quorvel
