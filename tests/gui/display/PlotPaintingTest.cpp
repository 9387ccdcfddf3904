// The fast plot drawing against the plain one (a segment between every two points, a painter
// call for every dot): on random and on real plot geometry the two images must be identical
// pixel for pixel.

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "display/PlotGeometry.h"
#include "display/ReferencePlotGeometry.h"
#include "display/Spectrum.h"
#include "display/widgets/LineRaster.h"
#include "display/widgets/PlotPainting.h"
#include "display/widgets/PlotReduction.h"
#include "gui/support/GuiTestSupport.h"

namespace quorvel {
namespace {

using testing_support::drawEveryDot;
using testing_support::drawEveryPoint;

QImage drawFast(const std::vector<PixelPoint>& points, int width, int height) {
    QImage image = makeCanvasImage(width, height);
    drawPlotLine(image, points, kTimeLineColour);
    return image;
}

QImage drawFast(const std::vector<DotBox>& boxes, int width, int height) {
    QImage image = makeCanvasImage(width, height);
    drawDots(image, boxes);
    return image;
}

// A random walk whose steps stay in a column for a while, jump, and leave the canvas at times.
std::vector<PixelPoint> randomPath(std::mt19937& engine, int count, int width, int height) {
    std::uniform_int_distribution<int> stay(0, 3);
    std::uniform_int_distribution<int> step(-height / 2, height / 2);
    std::uniform_int_distribution<int> start(-3, width + 3);
    std::vector<PixelPoint> path;
    PixelPoint p{start(engine), height / 2};
    for (int k = 0; k < count; ++k) {
        if (stay(engine) == 0) {
            p.x += stay(engine) - 1;
        }
        p.y = std::clamp(p.y + step(engine), -4, height + 4);
        path.push_back(p);
    }
    return path;
}

std::vector<DotBox> randomDots(std::mt19937& engine, int count, int width, int height,
                               int distinctCentres) {
    std::uniform_int_distribution<int> x(-4, width + 4);
    std::uniform_int_distribution<int> y(-4, height + 4);
    std::vector<PixelPoint> centres;
    for (int k = 0; k < distinctCentres; ++k) {
        centres.push_back({x(engine), y(engine)});
    }
    std::uniform_int_distribution<std::size_t> pick(0, centres.size() - 1);
    std::vector<DotBox> boxes;
    for (int k = 0; k < count; ++k) {
        const PixelPoint c = centres[pick(engine)];
        boxes.push_back({c.x - 2, c.y - 2, c.x + 2, c.y + 2});
    }
    return boxes;
}

SampleBuffer noisySignal(std::mt19937& engine, std::size_t count, double noise) {
    std::normal_distribution<double> gauss(0.0, noise);
    std::uniform_int_distribution<int> quadrant(0, 3);
    SampleBuffer signal;
    for (std::size_t k = 0; k < count; ++k) {
        const double angle = Pi * (0.25 + 0.5 * quadrant(engine));
        signal.push_back({std::cos(angle) + gauss(engine), std::sin(angle) + gauss(engine)});
    }
    return signal;
}

TEST(DrawDot, FillsItsBoxAsABlueDiscWithABlackRim) {
    QImage image = makeCanvasImage(8, 8);
    {
        QPainter painter(&image);
        drawDot(painter, {2, 3, 6, 7});
    }
    const char* const expected[] = {
        "........", "........", "........", "...##...",
        "..#BB#..", "..#BB#..", "...##...", "........",
    };
    for (int y = 0; y < 8; ++y) {
        std::string row;
        for (int x = 0; x < 8; ++x) {
            const QColor c = image.pixelColor(x, y);
            row += c == kCanvasBackground   ? '.'
                   : c == kDotOutlineColour ? '#'
                   : c == kDotFillColour    ? 'B'
                                            : '?';
        }
        EXPECT_EQ(row, expected[y]) << "row " << y;
    }
}

TEST(DrawPlotLine, SameImageAsEverySegmentOnRandomPaths) {
    struct Case {
        int count;
        int width;
        int height;
    };
    const Case cases[] = {{1, 20, 10},   {2, 20, 10},    {3, 5, 5},        {50, 3, 40},
                          {500, 20, 10}, {5000, 60, 30}, {20000, 413, 248}};
    std::mt19937 engine(5);
    for (const Case& c : cases) {
        for (int trial = 0; trial < 20; ++trial) {
            const auto path = randomPath(engine, c.count, c.width, c.height);
            ASSERT_EQ(drawFast(path, c.width, c.height),
                      drawEveryPoint(path, c.width, c.height, kTimeLineColour))
                << c.count << " points on " << c.width << " x " << c.height << ", trial " << trial;
        }
    }
}

// Whether the last point shows depends on the whole final run: 5, 9, 3, 4, 3 draws row 3.
TEST(DrawPlotLine, SameImageAsEverySegmentWhenAPathEndsInALongColumnRun) {
    std::mt19937 engine(29);
    std::uniform_int_distribution<int> length(2, 12);
    std::uniform_int_distribution<int> row(0, 9);
    for (int trial = 0; trial < 500; ++trial) {
        std::vector<PixelPoint> path = {{0, row(engine)}};
        for (int k = length(engine); k > 0; --k) {
            path.push_back({1, row(engine)});
        }
        ASSERT_EQ(drawFast(path, 3, 10), drawEveryPoint(path, 3, 10, kTimeLineColour))
            << "trial " << trial;
    }
}

TEST(DrawPlotLine, SameImageAsEverySegmentOnTimePlotsOfLongSignals) {
    std::mt19937 engine(8);
    for (const std::size_t count : {857U, 858U, 859U, 4000U, 100000U}) {
        const SampleBuffer signal = noisySignal(engine, count, 0.3);
        const auto points = computeTimePlot(signal, 858, 248);
        EXPECT_EQ(drawFast(points, 858, 248), drawEveryPoint(points, 858, 248, kTimeLineColour))
            << count << " samples";
    }
}

TEST(DrawPlotLine, SameImageAsEverySegmentOnSpectraOfLongSignals) {
    std::mt19937 engine(13);
    for (const std::size_t count : {412U, 413U, 5000U, 65536U, 100000U}) {
        std::vector<double> frequencies;
        std::vector<double> levels;
        computeSpectrum(noisySignal(engine, count, 0.5), 10000.0, frequencies, levels);
        const auto points = computeSpectrumPlot(frequencies, levels, 413, 248);
        EXPECT_EQ(drawFast(points, 413, 248), drawEveryPoint(points, 413, 248, kTimeLineColour))
            << count << " samples";
    }
}

TEST(DrawDots, SameImageAsEveryDotOnRandomBoxes) {
    struct Case {
        int count;
        int width;
        int height;
        int distinct;
    };
    const Case cases[] = {{1, 10, 10, 1},      {30, 10, 10, 3},     {200, 12, 9, 40},
                          {2000, 40, 30, 300}, {5000, 413, 248, 4}, {20000, 413, 248, 5000}};
    std::mt19937 engine(3);
    for (const Case& c : cases) {
        for (int trial = 0; trial < 10; ++trial) {
            const auto boxes = randomDots(engine, c.count, c.width, c.height, c.distinct);
            ASSERT_EQ(drawFast(boxes, c.width, c.height), drawEveryDot(boxes, c.width, c.height))
                << c.count << " dots on " << c.width << " x " << c.height << ", trial " << trial;
        }
    }
}

TEST(DrawDots, SameImageAsEveryDotOnConstellationsOfNoisySignals) {
    std::mt19937 engine(21);
    for (const double noise : {0.0, 0.05, 0.4}) {
        const SampleBuffer signal = noisySignal(engine, 30000, noise);
        const auto boxes = computeConstellationPlot(signal, 413, 248);
        EXPECT_EQ(drawFast(boxes, 413, 248), drawEveryDot(boxes, 413, 248)) << "noise " << noise;
    }
}

TEST(DrawDots, BoxesOfAnotherSizeAreDrawnLikeEveryOtherDot) {
    const std::vector<DotBox> boxes = {{2, 2, 6, 6}, {4, 3, 10, 9}, {3, 2, 7, 6}, {4, 3, 10, 9}};
    EXPECT_EQ(drawFast(boxes, 14, 12), drawEveryDot(boxes, 14, 12));
}

// What the viewer draws, straight from the samples to the reduced geometry, against the plain
// way: every point of the per-point formulas, a segment between each two and a painter call per
// dot. A painter call per dot takes seconds for the longest signals; their dots are compared as
// lists in PlotReductionTest.
TEST(ViewerPlots, SameImagesAsDrawingEveryPointOfThePlainGeometry) {
    constexpr std::size_t kMostDotsPainted = 25000;
    for (const auto& [name, signal] : testing_support::trickySignals()) {
        std::vector<double> frequenciesHz;
        std::vector<double> powerDb;
        computeSpectrum(signal, 10000.0, frequenciesHz, powerDb);
        for (const auto [width, height] : testing_support::kTrickySizes) {
            const std::string where =
                name + " on " + std::to_string(width) + " x " + std::to_string(height);
            QImage time = makeCanvasImage(width, height);
            drawPolyline(time, collapsedTimePlot(signal, width, height), kTimeLineColour.rgb());
            EXPECT_EQ(time, drawEveryPoint(testing_support::referenceTimePlot(signal, width, height), width,
                                           height, kTimeLineColour))
                << where;
            QImage spectrum = makeCanvasImage(width, height);
            drawPolyline(spectrum, collapsedSpectrumPlot(frequenciesHz, powerDb, width, height),
                         kTimeLineColour.rgb());
            EXPECT_EQ(spectrum, drawEveryPoint(testing_support::referenceSpectrumPlot(
                                                   frequenciesHz, powerDb, width, height),
                                               width, height, kTimeLineColour))
                << where;
            if (signal.size() <= kMostDotsPainted) {
                QImage dots = makeCanvasImage(width, height);
                drawVisibleDots(dots, visibleConstellation(signal, width, height));
                EXPECT_EQ(dots,
                          drawEveryDot(testing_support::referenceConstellationPlot(signal, width, height),
                                       width, height))
                    << where;
            }
        }
    }
}

}  // namespace
}  // namespace quorvel
