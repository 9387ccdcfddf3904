#include "display/PlotGeometry.h"

#include "display/ReferencePlotGeometry.h"
#include "display/Spectrum.h"

#include <gtest/gtest.h>

#include <limits>
#include <ostream>
#include <string>
#include <vector>

namespace quorvel {

void PrintTo(const PixelPoint& p, std::ostream* os) {
    *os << "(" << p.x << ", " << p.y << ")";
}

void PrintTo(const DotBox& b, std::ostream* os) {
    *os << "(" << b.left << ", " << b.top << ", " << b.right << ", " << b.bottom << ")";
}

namespace {

using testing::firstDifference;
using testing::kTrickySizes;
using testing::referenceConstellationPlot;
using testing::referenceSpectrumPlot;
using testing::referenceTimePlot;
using testing::trickySignals;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// The client areas of the viewer's canvases.
constexpr int kTimeWidth = 858;
constexpr int kSmallWidth = 413;
constexpr int kCanvasHeight = 248;

struct TimeCase {
    std::string name;
    SampleBuffer signal;
    int width;
    int height;
    std::vector<PixelPoint> expected;
};

TEST(TimePlot, ScalesRealPartsOntoTheCanvas) {
    const TimeCase cases[] = {
        {"rise and fall",
         {{0, 0}, {1, 0}, {0, 0}, {-1, 0}},
         kTimeWidth,
         kCanvasHeight,
         {{0, 124}, {214, 0}, {429, 124}, {643, 248}}},
        {"constant sits on the bottom edge",
         {{0, 0}, {0, 0}, {0, 0}},
         kTimeWidth,
         kCanvasHeight,
         {{0, 248}, {286, 248}, {572, 248}}},
        {"constant non-zero", {{5, 0}, {5, 1}}, 100, 10, {{0, 10}, {50, 10}}},
        {"one sample", {{0.5, -3}}, kTimeWidth, kCanvasHeight, {{0, 248}}},
        {"imaginary part is not shown", {{0, 9}, {2, -9}}, 100, 10, {{0, 10}, {50, 0}}},
        {"empty", {}, kTimeWidth, kCanvasHeight, {}},
        {"non-finite real parts skipped and not scaled",
         {{0, 0}, {kNaN, 0}, {1, 0}, {kInf, 0}, {-1, 0}, {-kInf, 0}},
         130,
         10,
         {{0, 5}, {43, 0}, {86, 10}}},
        {"non-finite imaginary part still drawn",
         {{0, kNaN}, {1, kInf}},
         100,
         10,
         {{0, 10}, {50, 0}}},
        {"nothing finite", {{kNaN, 0}, {kInf, 0}}, 100, 10, {}},
        {"extent beyond the double range", {{-1e308, 0}, {1e308, 0}}, 100, 10, {{0, 10}, {50, 0}}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(computeTimePlot(c.signal, c.width, c.height), c.expected) << c.name;
    }
}

TEST(TimePlot, DrawsEverySampleOfALongSignal) {
    SampleBuffer signal(1'000'000);
    signal[123].i = 1.0;
    const auto points = computeTimePlot(signal, kTimeWidth, kCanvasHeight);
    ASSERT_EQ(points.size(), signal.size());
    EXPECT_EQ(points[123].y, 0);
    EXPECT_EQ(points[124].y, kCanvasHeight);
    EXPECT_EQ(points.back().x, kTimeWidth - 1);
}

struct SpectrumPlotCase {
    std::string name;
    std::vector<double> frequenciesHz;
    std::vector<double> powerDb;
    int width;
    int height;
    std::vector<PixelPoint> expected;
};

TEST(SpectrumPlot, ScalesLevelsOverFrequency) {
    const SpectrumPlotCase cases[] = {
        {"one bin", {0.0}, {12.0}, kSmallWidth, kCanvasHeight, {{0, 248}}},
        {"first and last bins bound the axis",
         {-10, 0, 10, 30},
         {-120, -60, 0, -120},
         40,
         12,
         {{0, 12}, {10, 6}, {20, 0}, {40, 12}}},
        {"equal levels", {0, 1}, {3, 3}, 10, 10, {{0, 10}, {10, 10}}},
        {"empty frequencies", {}, {1, 2}, 10, 10, {}},
        {"empty levels", {1, 2}, {}, 10, 10, {}},
        {"levels beyond the frequencies are dropped",
         {0, 2},
         {0, 10, 99},
         10,
         10,
         {{0, 10}, {10, 0}}},
        {"frequencies beyond the levels are dropped",
         {0, 1, 2},
         {0, 10},
         10,
         10,
         {{0, 10}, {5, 0}}},
        {"non-finite levels skipped and not scaled",
         {0, 1, 2, 4},
         {0, kNaN, 10, kInf},
         40,
         10,
         {{0, 10}, {20, 0}}},
        {"non-finite frequency skipped", {0, kNaN, 2}, {0, 5, 10}, 10, 10, {{0, 10}, {10, 0}}},
        {"point far outside the int range skipped",
         {0, 1e12, 1},
         {0, 1, 2},
         10,
         10,
         {{0, 10}, {10, 0}}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(computeSpectrumPlot(c.frequenciesHz, c.powerDb, c.width, c.height), c.expected)
            << c.name;
    }
}

TEST(SpectrumPlot, ConstantFourSampleSignalPeaksAtZeroHertz) {
    std::vector<double> frequenciesHz;
    std::vector<double> powerDb;
    computeSpectrum({{1, 0}, {1, 0}, {1, 0}, {1, 0}}, 4.0, frequenciesHz, powerDb);
    EXPECT_EQ(computeSpectrumPlot(frequenciesHz, powerDb, kSmallWidth, kCanvasHeight),
              (std::vector<PixelPoint>{{0, 248}, {137, 248}, {275, 0}, {413, 248}}));
}

struct ConstellationCase {
    std::string name;
    SampleBuffer points;
    int width;
    int height;
    std::vector<DotBox> expected;
};

TEST(ConstellationPlot, ScalesEachAxisWithATenthMargin) {
    const SampleBuffer corners = {{-1, 1}, {1, 1}, {-1, -1}, {1, -1}};
    const std::vector<DotBox> cornerBoxes = {
        {32, 18, 36, 22}, {376, 18, 380, 22}, {32, 225, 36, 229}, {376, 225, 380, 229}};
    SampleBuffer cornersAmongNonFinite = {{kNaN, 0}, {kInf, 1}, {0, -kInf}};
    cornersAmongNonFinite.insert(cornersAmongNonFinite.begin() + 1, corners.begin(), corners.end());
    const ConstellationCase cases[] = {
        {"origin", {{0, 0}}, kSmallWidth, kCanvasHeight, {{204, 122, 208, 126}}},
        {"four corners", corners, kSmallWidth, kCanvasHeight, cornerBoxes},
        {"non-finite points skipped and not scaled", cornersAmongNonFinite, kSmallWidth,
         kCanvasHeight, cornerBoxes},
        // s = 9 from the wider I extent, so I runs -0.9 ... 9.9 and Q -0.9 ... 1.9.
        {"axes scaled independently",
         {{0, 0}, {9, 1}},
         250,
         300,
         {{18, 201, 22, 205}, {227, 94, 231, 98}}},
        {"later dots follow in order",
         {{0, 0}, {0, 0}},
         100,
         100,
         {{48, 48, 52, 52}, {48, 48, 52, 52}}},
        {"extent beyond the double range",
         {{-1e308, -1e308}, {1e308, 1e308}},
         100,
         100,
         {{6, 89, 10, 93}, {89, 6, 93, 10}}},
        {"empty", {}, kSmallWidth, kCanvasHeight, {}},
        {"nothing finite", {{kNaN, kNaN}, {kInf, 0}}, kSmallWidth, kCanvasHeight, {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(computeConstellationPlot(c.points, c.width, c.height), c.expected) << c.name;
    }
}

// The points come from blocks of samples, some of them known to lie in one pixel column; every
// point must still be the one the plain per-point formulas give.
TEST(PlotGeometry, BlocksGiveThePointsOfThePlainFormulas) {
    for (const auto& [name, signal] : trickySignals()) {
        std::vector<double> frequenciesHz;
        std::vector<double> powerDb;
        computeSpectrum(signal, 10000.0, frequenciesHz, powerDb);
        for (const auto [width, height] : kTrickySizes) {
            const std::string where =
                name + " on " + std::to_string(width) + " x " + std::to_string(height) + ": ";
            EXPECT_EQ(firstDifference(computeTimePlot(signal, width, height),
                                      referenceTimePlot(signal, width, height)),
                      "")
                << where << "time";
            EXPECT_EQ(firstDifference(computeSpectrumPlot(frequenciesHz, powerDb, width, height),
                                      referenceSpectrumPlot(frequenciesHz, powerDb, width, height)),
                      "")
                << where << "spectrum";
            EXPECT_EQ(firstDifference(computeConstellationPlot(signal, width, height),
                                      referenceConstellationPlot(signal, width, height)),
                      "")
                << where << "constellation";
        }
    }
}

// A block shares one column only when its frequencies ascend: out of order, or NaN, inside a
// block whose ends share a column, every point is placed on its own.
TEST(SpectrumPlot, FrequenciesOutOfOrderInsideABlockArePlacedOneByOne) {
    constexpr std::size_t kBins = 5000;
    std::vector<double> ascending(kBins);
    std::vector<double> levels(kBins);
    for (std::size_t k = 0; k < kBins; ++k) {
        ascending[k] = static_cast<double>(k);
        levels[k] = static_cast<double>((k * 37) % 101);
    }
    std::vector<double> dip = ascending;
    dip[1000] = 3000.0;
    std::vector<double> hole = ascending;
    hole[2000] = kNaN;
    std::vector<double> descending(ascending.rbegin(), ascending.rend());
    std::vector<double> infiniteEnd = ascending;
    infiniteEnd.back() = kInf;
    for (const auto& frequencies : {ascending, dip, hole, descending, infiniteEnd}) {
        for (const int width : {1, 3, 7}) {
            EXPECT_EQ(firstDifference(computeSpectrumPlot(frequencies, levels, width, 9),
                                      referenceSpectrumPlot(frequencies, levels, width, 9)),
                      "")
                << "width " << width;
        }
    }
}

}  // namespace
}  // namespace quorvel
