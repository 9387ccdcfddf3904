// Qt Charts against the analyzer's own drawing, for choosing how the analyzer draws: 10^7 points
// of a time signal put into a line series and drawn at 1200 x 500, against the time view's
// min/max columns over the same samples. Built only where Debian's qt6-charts-dev is installed:
//   ./build/quorvel-charts-comparison
// Wall times; neither keeps anything from one picture to the next but its data.

#include <benchmark/benchmark.h>

#include <QChart>
#include <QGraphicsScene>
#include <QImage>
#include <QLineSeries>
#include <QPainter>
#include <QValueAxis>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <vector>

#include "analyzer/AnalyzedRecording.h"
#include "analyzer/widgets/TimeView.h"

namespace quorvel {
namespace {

const QSize kViewSize{1200, 500};

std::vector<float> signal(std::size_t count) {
    std::vector<float> iq(2 * count);
    for (std::size_t n = 0; n < count; ++n) {
        iq[2 * n] = static_cast<float>(std::sin(1e-4 * static_cast<double>(n)) +
                                       0.1 * std::sin(0.7 * static_cast<double>(n)));
    }
    return iq;
}

// Qt Charts: the points handed over (replace, as a new view would) and the chart drawn.
void BM_QtChartsLineSeries(benchmark::State& bench) {
    const auto count = static_cast<std::size_t>(bench.range(0));
    const std::vector<float> iq = signal(count);
    QList<QPointF> points;
    points.reserve(static_cast<qsizetype>(count));
    for (std::size_t n = 0; n < count; ++n) {
        points.append(QPointF(static_cast<double>(n), iq[2 * n]));
    }
    for (auto _ : bench) {
        QChart chart;
        auto* series = new QLineSeries;
        series->replace(points);
        chart.addSeries(series);
        chart.createDefaultAxes();
        chart.resize(kViewSize);
        QGraphicsScene scene;
        scene.addItem(&chart);
        QImage image(kViewSize, QImage::Format_RGB32);
        QPainter painter(&image);
        scene.render(&painter);
        painter.end();
        scene.removeItem(&chart);
    }
}
BENCHMARK(BM_QtChartsLineSeries)
    ->Arg(100000)
    ->Arg(10000000)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// The analyzer: the time view of the same samples from a cf32 file, its pyramid built.
void BM_OwnTimeView(benchmark::State& bench) {
    const auto count = static_cast<std::size_t>(bench.range(0));
    const std::string base =
        (std::filesystem::temp_directory_path() / ("quorvel-charts-" + std::to_string(count)))
            .string();
    const std::vector<float> iq = signal(count);
    std::ofstream(base + ".sigmf-data", std::ios::binary)
        .write(reinterpret_cast<const char*>(iq.data()),
               static_cast<std::streamsize>(iq.size() * sizeof(float)));
    std::ofstream(base + ".sigmf-meta")
        << R"({"global": {"core:datatype": "cf32_le", "core:version": "1.0.0"}})";
    AnalyzedRecording opened(base + ".sigmf-meta");
    opened.waitForPyramid();
    for (auto _ : bench) {
        TimeView view(opened, nullptr);
        view.resize(kViewSize);
        QImage image(kViewSize, QImage::Format_RGB32);
        QPainter painter(&image);
        view.render(painter, kViewSize);
    }
    std::filesystem::remove(base + ".sigmf-data");
    std::filesystem::remove(base + ".sigmf-meta");
}
BENCHMARK(BM_OwnTimeView)->Arg(100000)->Arg(10000000)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quorvel
