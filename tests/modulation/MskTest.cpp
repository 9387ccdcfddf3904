#include "modulation/Msk.h"

#include "modulation/PointChecks.h"

#include <gtest/gtest.h>

#include <limits>

namespace quorvel {
namespace {

using testing_support::expectPointNear;

struct MskCase {
    SymbolSequence symbols;
    double samplesPerSymbol;
    std::vector<double> phasesInEighthPi;
};

TEST(Msk, PhaseRampsByQuarterTurnPerSymbolAndCarriesOver) {
    const MskCase cases[] = {
        {{1, 1, 0}, 4.0, {0, 1, 2, 3, 4, 5, 6, 7, 8, 7, 6, 5}},
        // 2.5 samples per symbol: two samples, at acc and acc + 0.4 d; the next symbol at acc + d.
        {{1, 0, 0}, 2.5, {0, 1.6, 4, 2.4, 0, -1.6}},
        // Any index other than 1 is the downward step.
        {{2, 0, 1}, 2.0, {0, -2, -4, -6, -8, -6}},
    };
    for (const auto& c : cases) {
        const auto samples = modulateMsk(c.symbols, c.samplesPerSymbol);
        ASSERT_EQ(samples.size(), c.phasesInEighthPi.size());
        for (std::size_t n = 0; n < samples.size(); ++n) {
            const double phase = c.phasesInEighthPi[n] * Pi / 8;
            expectPointNear(
                samples[n], {std::cos(phase), std::sin(phase)},
                "sps " + std::to_string(c.samplesPerSymbol) + " sample " + std::to_string(n));
        }
    }
}

TEST(Msk, EveryIndexOtherThanOneStepsDownLikeZero) {
    EXPECT_EQ(modulateMsk({2, -1, 7, 1}, 3.0), modulateMsk({0, 0, 0, 1}, 3.0));
}

TEST(Msk, NoWholeSampleInASymbolGivesEmptyOutput) {
    const struct {
        SymbolSequence symbols;
        double samplesPerSymbol;
    } cases[] = {
        {{}, 10.0},
        {{1, 0, 1}, 0.5},  // fs < Rs
        {{1, 0, 1}, std::numeric_limits<double>::quiet_NaN()},
        {{1, 0, 1}, 1e300},  // more samples than a buffer can hold
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(modulateMsk(c.symbols, c.samplesPerSymbol).empty())
            << "sps " << c.samplesPerSymbol;
    }
}

}  // namespace
}  // namespace quorvel
