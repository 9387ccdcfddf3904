#include "modulation/Fsk.h"

#include "modulation/PointChecks.h"

#include <gtest/gtest.h>

namespace quorvel {
namespace {

using testing_support::expectPointNear;

TEST(Fsk, LowestToneRunsBackwardsAndRestartsAtEverySymbol) {
    // M = 2, Rs = 1000 Hz, fs = 10000 Hz: index 0 is -500 Hz, -pi/10 per sample.
    const auto samples = modulateFsk({0, 0}, 2, 1000.0, 10000.0);
    ASSERT_EQ(samples.size(), 20u);
    for (std::size_t n = 0; n < samples.size(); ++n) {
        const double phase = -Pi / 10 * static_cast<double>(n % 10);
        expectPointNear(samples[n], {std::cos(phase), std::sin(phase)},
                        "sample " + std::to_string(n));
    }
    EXPECT_EQ(samples[10], (ComplexSample{1.0, 0.0}));
}

TEST(Fsk, NonIntegerSamplesPerSymbolKeepsTheWholePartAndTheToneRate) {
    // fs / Rs = 3.33: three samples per symbol, the +1500 Hz tone advancing 0.3 pi per sample.
    const auto samples = modulateFsk({1, 1, 0}, 2, 3000.0, 10000.0);
    ASSERT_EQ(samples.size(), 9u);
    const double toneHz[] = {1500.0, 1500.0, -1500.0};
    for (std::size_t n = 0; n < samples.size(); ++n) {
        const double phase = 2.0 * Pi * toneHz[n / 3] * static_cast<double>(n % 3) / 10000.0;
        expectPointNear(samples[n], {std::cos(phase), std::sin(phase)},
                        "sample " + std::to_string(n));
    }
}

struct FskToneCase {
    int order;
    std::vector<double> tonesHz;  // of indices 0 ... order-1 at Rs = 1000 Hz
};

TEST(Fsk, TonesLieSymmetricallyAboutZeroOneSymbolRateApart) {
    constexpr double kSymbolRateHz = 1000.0;
    constexpr double kSamplingRateHz = 10000.0;
    constexpr double kToneToleranceHz = 1e-9;
    const FskToneCase cases[] = {
        {2, {-500, 500}},
        {4, {-1500, -500, 500, 1500}},
        {8, {-3500, -2500, -1500, -500, 500, 1500, 2500, 3500}},
    };
    for (const auto& c : cases) {
        for (std::size_t k = 0; k < c.tonesHz.size(); ++k) {
            const auto samples = modulateFsk({static_cast<std::int32_t>(k)}, c.order, kSymbolRateHz,
                                             kSamplingRateHz);
            ASSERT_EQ(samples.size(), 10u);
            for (std::size_t n = 1; n < samples.size(); ++n) {
                const double step = testing_support::phaseOf(samples[n]) - testing_support::phaseOf(samples[n - 1]);
                const double toneHz = testing_support::wrapPhase(step) * kSamplingRateHz / (2.0 * Pi);
                EXPECT_NEAR(toneHz, c.tonesHz[k], kToneToleranceHz)
                    << "M=" << c.order << " k=" << k << " n=" << n;
            }
        }
    }
}

TEST(Fsk, EmptyInputGivesEmptyOutput) {
    EXPECT_TRUE(modulateFsk({}, 2, 1000.0, 10000.0).empty());
}

TEST(Fsk, ImpossibleLengthGivesEmptyOutputInsteadOfOverflowing) {
    // A symbol rate of 1e-300 Hz asks for about 1e304 samples per symbol.
    EXPECT_TRUE(modulateFsk({0, 1}, 2, 1e-300, 10000.0).empty());
}

}  // namespace
}  // namespace quorvel
