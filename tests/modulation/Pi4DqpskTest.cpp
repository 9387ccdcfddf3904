#include "modulation/Pi4Dqpsk.h"

#include "modulation/PointChecks.h"

#include <gtest/gtest.h>

namespace quorvel {
namespace {

using testing_support::expectPointNear;

ComplexSample unitAt(double angle) {
    return {std::cos(angle), std::sin(angle)};
}

TEST(Pi4Dqpsk, PhaseAdvancesByTheIndexIncrementsFromAnAbsoluteFirstPoint) {
    const struct {
        SymbolSequence symbols;
        std::vector<double> anglesInQuarterPi;
    } cases[] = {
        {{0}, {1}},
        {{1}, {3}},
        {{2}, {5}},
        {{3}, {7}},
        {{0, 0, 0}, {1, 2, 3}},
        {{0, 2}, {1, 6}},
        {{1, 1, 3, 2}, {3, 6, 13, 18}},
    };
    for (const auto& c : cases) {
        const auto points = modulatePi4Dqpsk(c.symbols, Pi * 0.25);
        ASSERT_EQ(points.size(), c.symbols.size());
        for (std::size_t n = 0; n < points.size(); ++n) {
            expectPointNear(points[n], unitAt(c.anglesInQuarterPi[n] * Pi / 4),
                            "point " + std::to_string(n) + " of case with " +
                                std::to_string(c.symbols.size()) + " symbols");
        }
    }
}

TEST(Pi4Dqpsk, RotationChangesOnlyTheIncrementsNeverTheFirstPoint) {
    const SymbolSequence symbols{2, 1, 3, 0};
    const auto reference = modulatePi4Dqpsk(symbols, Pi * 0.25);
    for (const double rotation : {0.0, 0.1, -Pi / 8, Pi}) {
        const auto points = modulatePi4Dqpsk(symbols, rotation);
        ASSERT_EQ(points.size(), symbols.size());
        EXPECT_EQ(points[0], reference[0]) << "rotation " << rotation;
        for (std::size_t n = 1; n < points.size(); ++n) {
            const double step = testing_support::phaseOf(points[n]) - testing_support::phaseOf(points[n - 1]);
            EXPECT_NEAR(testing_support::wrapPhase(step - (symbols[n] * Pi / 2 + rotation)), 0.0, 1e-12)
                << "rotation " << rotation << " step " << n;
        }
    }
}

TEST(Pi4Dqpsk, EmptyInputGivesEmptyOutput) {
    EXPECT_TRUE(modulatePi4Dqpsk({}, Pi * 0.25).empty());
}

}  // namespace
}  // namespace quorvel
