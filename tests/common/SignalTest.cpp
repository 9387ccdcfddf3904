#include "common/Signal.h"

#include <gtest/gtest.h>

#include <cmath>

namespace quorvel {
namespace {

TEST(Signal, PiIsTheArcCosineOfMinusOne) {
    EXPECT_EQ(Pi, std::acos(-1.0));
}

struct ProductCase {
    ComplexSample a;
    ComplexSample b;
    ComplexSample expected;
};

TEST(Signal, ComplexProductFollowsTheTextbookFormula) {
    const ProductCase cases[] = {
        {{1, 0}, {0, 1}, {0, 1}},
        {{0, 1}, {0, 1}, {-1, 0}},
        {{2, 3}, {4, -5}, {23, 2}},
        {{-1.5, 0.5}, {0.25, 2}, {-1.375, -2.875}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.a * c.b, c.expected) << c.a.i << "," << c.a.q << " x " << c.b.i << "," << c.b.q;
    }
}

TEST(Signal, PolarGivesCosineAndSineScaledByTheRadius) {
    const auto p = polar(2.0, Pi / 3.0);
    EXPECT_DOUBLE_EQ(p.i, 1.0);
    EXPECT_DOUBLE_EQ(p.q, std::sqrt(3.0));
    EXPECT_EQ(polar(1.0, 0.0), (ComplexSample{1.0, 0.0}));
}

}  // namespace
}  // namespace quorvel
