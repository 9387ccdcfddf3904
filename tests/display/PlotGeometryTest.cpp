#include "display/PlotGeometry.h"
#include "support/NonFinite.h"

#include "display/ReferencePlotGeometry.h"
#include "display/Spectrum.h"

#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <ostream>
#include <random>
#include <string>
#include <vector>

namespace quorvel {

void PrintTo(const PixelPoint& p, std::ostream* os) {
    *os << "(" << p.x << ", " << p.y << ")";
}

void PrintTo(const DotBox& b, std::ostream* os) {
    *os << "(" << b.left << ", " << b.top << ", " << b.right << ", " << b.bottom << ")";
}

void PrintTo(const PixelSpan& s, std::ostream* os) {
    *os << "[" << s.first << ", " << s.end << ")";
}

namespace {

using testing_support::firstDifference;
using testing_support::kTrickySizes;
using testing_support::referenceConstellationPlot;
using testing_support::referenceSpectrumPlot;
using testing_support::referenceTimePlot;
using testing_support::trickySignals;

using testing_support::kNaN;
using testing_support::kInf;

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

// The pixels a span covers, found one pixel at a time: pixel k shows the values from
// viewLo + k * step to viewLo + (k + 1) * step, and is covered when the span reaches strictly into
// it; a span that touches the view without reaching into any pixel takes the one holding lo.
std::optional<PixelSpan> referenceSpan(double lo, double hi, double viewLo, double viewHi, int pixels) {
    if (!(lo <= hi) || !(viewLo < viewHi) || hi < viewLo || lo > viewHi || !std::isfinite(lo) || !std::isfinite(hi)) {
        return std::nullopt;
    }
    const double step = (viewHi - viewLo) / pixels;
    std::optional<PixelSpan> span;
    for (int k = 0; k < pixels; ++k) {
        if (lo < viewLo + (k + 1) * step && hi > viewLo + k * step) {
            span = span ? PixelSpan{span->first, k + 1} : PixelSpan{k, k + 1};
        }
    }
    if (!span) {
        const int k = std::clamp(static_cast<int>(std::floor((lo - viewLo) / step)), 0, pixels - 1);
        span = PixelSpan{k, k + 1};
    }
    return span;
}

TEST(SpanOnAxis, CoversThePixelsTheSpanReachesIntoClippedToTheAxis) {
    // A 0 ... 1000 view over 100 pixels, ten values a pixel: edges on borders, points, spans
    // beyond the view or beyond any int, and what is not a span.
    const struct {
        double lo, hi;
        std::optional<PixelSpan> expected;
    } cases[] = {
        {20.0, 50.0, PixelSpan{2, 5}},      {-1e308, 1e308, PixelSpan{0, 100}}, {20.0, 20.0, PixelSpan{2, 3}},
        {1000.0, 1000.0, PixelSpan{99, 100}}, {-20.0, -10.0, std::nullopt},     {60.0, 50.0, std::nullopt},
        {kNaN, 50.0, std::nullopt},         {10.0, kInf, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(spanOnAxis(c.lo, c.hi, 0.0, 1000.0, 100), c.expected) << c.lo << " ... " << c.hi;
    }
    EXPECT_EQ(spanOnAxis(1.0, 2.0, 5.0, 5.0, 100), std::nullopt);  // an empty view
    // Views and spans of any scale, against the pixel-at-a-time reference.
    std::mt19937_64 random(31);
    std::uniform_real_distribution<double> unit(-0.3, 1.3);
    for (int trial = 0; trial < 2000; ++trial) {
        const double viewLo = -5e5 * unit(random);
        const double viewHi = viewLo + 1e6 * (0.01 + std::fabs(unit(random)));
        const int pixels = 1 + static_cast<int>(std::fabs(unit(random)) * 1000.0);
        double lo = viewLo + (viewHi - viewLo) * unit(random);
        double hi = viewLo + (viewHi - viewLo) * unit(random);
        if (trial % 5 == 0) {
            hi = lo + (viewHi - viewLo) / pixels * 0.3 * std::fabs(unit(random));  // a sliver
        }
        EXPECT_EQ(spanOnAxis(lo, hi, viewLo, viewHi, pixels), referenceSpan(lo, hi, viewLo, viewHi, pixels))
            << lo << " ... " << hi << " on " << viewLo << " ... " << viewHi << " over " << pixels;
    }
}

}  // namespace
}  // namespace quorvel
