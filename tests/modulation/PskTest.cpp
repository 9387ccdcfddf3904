#include "modulation/Psk.h"

#include "modulation/PointChecks.h"

#include <gtest/gtest.h>

namespace quorvel {
namespace {

using testing_support::expectPointNear;

struct PskPointCase {
    int order;
    std::int32_t index;
    ComplexSample expected;
};

TEST(Psk, SmallOrdersMapToTheirTextbookPoints) {
    const PskPointCase cases[] = {
        {2, 0, {1, 0}}, {2, 1, {-1, 0}}, {4, 0, {1, 0}},
        {4, 1, {0, 1}}, {4, 2, {-1, 0}}, {4, 3, {0, -1}},
    };
    for (const auto& c : cases) {
        const auto points = modulatePsk({c.index}, c.order);
        ASSERT_EQ(points.size(), 1u);
        expectPointNear(points[0], c.expected,
                        "M=" + std::to_string(c.order) + " k=" + std::to_string(c.index));
    }
    EXPECT_EQ(modulatePsk({0}, 16)[0], (ComplexSample{1.0, 0.0}));
}

TEST(Psk, EveryIndexSitsOnTheUnitCircleOneStepFurtherCounterClockwise) {
    for (const int order : {8, 16}) {
        SymbolSequence symbols;
        for (std::int32_t k = 0; k < order; ++k) {
            symbols.push_back(k);
        }
        const auto points = modulatePsk(symbols, order);
        ASSERT_EQ(points.size(), symbols.size());
        const double step = 2.0 * Pi / order;  // pi/4 for 8, pi/8 for 16
        for (std::int32_t k = 0; k < order; ++k) {
            const double angle = k * step;
            expectPointNear(points[static_cast<std::size_t>(k)], {std::cos(angle), std::sin(angle)},
                            "M=" + std::to_string(order) + " k=" + std::to_string(k));
        }
    }
}

TEST(Psk, IndexBeyondTheAlphabetWrapsAroundTheCircle) {
    const struct {
        int order;
        std::int32_t index;
    } cases[] = {{4, 5}, {4, 7}, {8, 11}, {2, 2}, {16, 33}};
    for (const auto& c : cases) {
        const auto wrapped = modulatePsk({c.index % c.order}, c.order);
        const auto beyond = modulatePsk({c.index}, c.order);
        expectPointNear(beyond[0], wrapped[0],
                        "M=" + std::to_string(c.order) + " k=" + std::to_string(c.index));
    }
}

TEST(Psk, EmptyInputGivesEmptyOutput) {
    EXPECT_TRUE(modulatePsk({}, 4).empty());
}

}  // namespace
}  // namespace quorvel
