// Ticks and labels of the analyzer's axes, and zooming and panning within the data's limits.

#include <gtest/gtest.h>

#include <cmath>

#include "analyzer/AxisScale.h"

namespace quorvel {
namespace {

TEST(AxisTicks, RoundStepsInsideTheRangeAtMostAsManyAsAsked) {
    const AxisRange ranges[] = {{0.0, 1.0},       {-5000.0, 5000.0}, {0.123, 0.1231},
                                {1e9, 1e9 + 3.0}, {-1e-7, 3e-6},     {7.0, 9e6}};
    for (const AxisRange& r : ranges) {
        for (const int most : {2, 5, 11}) {
            const auto ticks = axisTicks(r, most, "Hz");
            ASSERT_GE(ticks.size(), 1u);
            EXPECT_LE(ticks.size(), static_cast<std::size_t>(most) + 1);
            for (const AxisTick& t : ticks) {
                EXPECT_GE(t.value, r.lo);
                EXPECT_LE(t.value, r.hi);
            }
            if (ticks.size() < 2) {
                continue;
            }
            const double step = ticks[1].value - ticks[0].value;
            const double mantissa = step / std::pow(10.0, std::floor(std::log10(step) + 1e-9));
            EXPECT_TRUE(std::fabs(mantissa - 1) < 1e-6 || std::fabs(mantissa - 2) < 1e-6 ||
                        std::fabs(mantissa - 5) < 1e-6)
                << step;
            for (const AxisTick& t : ticks) {
                EXPECT_NEAR(std::remainder(t.value, step), 0.0, 1e-6 * step);
            }
        }
    }
}

TEST(QuantityText, PrefixFromTheReferenceDecimalsFromTheResolution) {
    const struct {
        double value;
        const char* unit;
        double resolution;
        double reference;
        const char* text;
    } cases[] = {
        {1234.5, "Hz", 0.1, 1234.5, "1.2345 kHz"}, {-2500.0, "Hz", 500.0, 5000.0, "-2.5 kHz"},
        {0.0, "Hz", 500.0, 5000.0, "0.0 kHz"},     {2e-4, "s", 1e-4, 1e-3, "0.2 ms"},
        {3e-6, "s", 1e-6, 5e-6, "3 \u00b5s"},      {-42.25, "dB", 0.5, 60.0, "-42.2 dB"},
        {1.5e9, "Hz", 1e6, 2e9, "1.500 GHz"},      {0.25, "", 0.05, 1.0, "0.25"},
        {-1e-12, "Hz", 1.0, 10.0, "0 Hz"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(quantityText(c.value, c.unit, c.resolution, c.reference), c.text);
    }
}

TEST(AxisRangeMoves, ZoomKeepsTheAnchorAndBothStayInsideTheLimits) {
    const AxisRange limits{0.0, 1000.0};
    const AxisRange in = zoomedRange({200.0, 600.0}, 300.0, 0.5, limits, 1.0);
    EXPECT_EQ(in, (AxisRange{250.0, 450.0}));  // 300 keeps its quarter of the way
    EXPECT_EQ(zoomedRange(in, 300.0, 100.0, limits, 1.0), limits);
    EXPECT_EQ(zoomedRange({0.0, 4.0}, 2.0, 0.01, limits, 1.0), (AxisRange{1.5, 2.5}));
    EXPECT_EQ(pannedRange({900.0, 950.0}, 80.0, limits), (AxisRange{950.0, 1000.0}));
    EXPECT_EQ(pannedRange({10.0, 60.0}, -80.0, limits), (AxisRange{0.0, 50.0}));
    for (const double v : {0.0, 123.0, 1000.0}) {
        EXPECT_NEAR(valueAt(limits, pixelOf(limits, v, 640.0, true), 640.0, true), v, 1e-9);
    }
    EXPECT_EQ(pixelOf(limits, 1000.0, 640.0, true), 0.0);
}

}  // namespace
}  // namespace quorvel
