#include "modulation/Qam.h"

#include "modulation/PointChecks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace quorvel {
namespace {

using testing_support::expectPointNear;

struct QamPointCase {
    int order;
    std::int32_t index;
    ComplexSample expected;
};

TEST(Qam, NamedPointsOfEveryConstruction) {
    const double r4930 = std::sqrt(4930.0);
    const QamPointCase cases[] = {
        {16, 0, {-3, -3}},
        {16, 3, {3, -3}},
        {16, 4, {-3, -1}},
        {16, 15, {3, 3}},
        {32, 0, {-1.0, -0.6}},
        {32, 4, {-0.6, -1.0}},
        {32, 31, {1.0, 0.6}},
        {2048, 0, {-63 / r4930, -31 / r4930}},
        {2048, 1, {-61 / r4930, -31 / r4930}},
        {2048, 64, {-63 / r4930, -29 / r4930}},
        {2048, 2047, {63 / r4930, 31 / r4930}},
        {1, 0, {0, 0}},
        // Square orders do not test the index; the others map it to the origin.
        {16, 16, {-3, 5}},
        {32, 32, {0, 0}},
        {32, -1, {0, 0}},
        {2048, 2048, {0, 0}},
        {2048, -5, {0, 0}},
    };
    for (const auto& c : cases) {
        const auto points = modulateQam({c.index}, c.order);
        ASSERT_EQ(points.size(), 1u);
        expectPointNear(points[0], c.expected,
                        "M=" + std::to_string(c.order) + " k=" + std::to_string(c.index));
    }
}

TEST(Qam, SquareCornersSitAtTheOuterOddLevels) {
    for (const int side : {8, 16, 32}) {
        const int order = side * side;
        const double edge = side - 1;
        const auto points = modulateQam({0, side - 1, order - side, order - 1}, order);
        const SampleBuffer expected{{-edge, -edge}, {edge, -edge}, {-edge, edge}, {edge, edge}};
        EXPECT_EQ(points, expected) << "M=" << order;
    }
}

TEST(Qam, CrossTableRunsQuadratureFastAndSkipsTheCorners) {
    // Unscaled columns of the cross: I, then the Q values of successive indices.
    const std::vector<std::pair<int, std::vector<int>>> columns = {
        {-5, {-3, -1, 1, 3}},       {-3, {-5, -3, -1, 1, 3, 5}}, {-1, {-5, -3, -1, 1, 3, 5}},
        {1, {-5, -3, -1, 1, 3, 5}}, {3, {-5, -3, -1, 1, 3, 5}},  {5, {-3, -1, 1, 3}},
    };
    SymbolSequence indices;
    SampleBuffer expected;
    for (const auto& [i, qs] : columns) {
        for (const int q : qs) {
            indices.push_back(static_cast<std::int32_t>(indices.size()));
            expected.push_back({0.2 * i, 0.2 * q});
        }
    }
    ASSERT_EQ(indices.size(), 32u);
    EXPECT_EQ(modulateQam(indices, 32), expected);
}

TEST(Qam, RectangleOf2048HasUnitPeakAndSpansOfAbout0Point897And0Point441) {
    constexpr double kSpanTolerance = 1e-3;
    SymbolSequence indices(2048);
    for (std::size_t k = 0; k < indices.size(); ++k) {
        indices[k] = static_cast<std::int32_t>(k);
    }
    const auto points = modulateQam(indices, 2048);
    ASSERT_EQ(points.size(), 2048u);
    double peak = 0.0;
    double spanI = 0.0;
    double spanQ = 0.0;
    for (const auto& p : points) {
        peak = std::max(peak, testing_support::magnitudeOf(p));
        spanI = std::max(spanI, std::abs(p.i));
        spanQ = std::max(spanQ, std::abs(p.q));
    }
    EXPECT_NEAR(peak, 1.0, testing_support::kPointTolerance);
    EXPECT_NEAR(testing_support::magnitudeOf(points[0]), 1.0, testing_support::kPointTolerance);
    EXPECT_NEAR(spanI, 0.897, kSpanTolerance);
    EXPECT_NEAR(spanQ, 0.441, kSpanTolerance);
}

TEST(Qam, RefusedOrdersGiveEmptyOutputAndAreReportedUnsupported) {
    for (const int order : {2, 3, 0, -16, 2047, 130}) {
        EXPECT_TRUE(modulateQam({0, 1}, order).empty()) << "M=" << order;
        EXPECT_FALSE(isQamOrderSupported(order)) << "M=" << order;
    }
    for (const int order : {1, 4, 16, 32, 64, 128, 256, 512, 1024, 2048}) {
        EXPECT_TRUE(isQamOrderSupported(order)) << "M=" << order;
    }
}

TEST(Qam, SupportTestAgreesWithTheMapperForEveryOrder) {
    for (int order = -4; order <= 4200; ++order) {
        EXPECT_EQ(isQamOrderSupported(order), !modulateQam({0}, order).empty()) << "M=" << order;
    }
}

TEST(Qam, EmptyInputGivesEmptyOutput) {
    for (const int order : {16, 32, 2048}) {
        EXPECT_TRUE(modulateQam({}, order).empty());
    }
}

}  // namespace
}  // namespace quorvel
