#include "channel/IqImbalance.h"

#include <gtest/gtest.h>

#include "channel/ChannelTestSupport.h"
#include "channel/DcOffset.h"

namespace quorvel {
namespace {

constexpr double kTolerance = 1e-14;
constexpr double kHalfRoot2 = 0.70710678118654752;

TEST(IqImbalance, MovesKnownPointsWhereTheBranchGainsPutThem) {
    struct Case {
        IqImbalance imbalance;
        ComplexSample in, expected;
    };
    // 40 log10(2) dB: the I branch gains 2, the Q branch 1/2.
    const double twice = 12.041199826559248;
    const Case cases[] = {
        {{0.0, 0.0}, {0.3, -0.7}, {0.3, -0.7}},
        {{twice, 0.0}, {1.0, 1.0}, {2.0, 0.5}},
        {{0.0, 90.0}, {1.0, 0.0}, {kHalfRoot2, -kHalfRoot2}},  // I turned by -45 degrees
        {{0.0, 90.0}, {0.0, 1.0}, {-kHalfRoot2, kHalfRoot2}},  // j Q turned by +45 degrees
        {{twice, -60.0},
         {0.5, -2.0},
         {0.5 * 2.0 * 0.86602540378443865 - (-2.0) * 0.5 * -0.5,
          0.5 * 2.0 * 0.5 + (-2.0) * 0.5 * 0.86602540378443865}},
    };
    for (const Case& c : cases) {
        SampleBuffer samples{c.in};
        applyIqImbalance(samples, c.imbalance);
        EXPECT_NEAR(samples[0].i, c.expected.i, kTolerance)
            << c.imbalance.amplitudeDb << " " << c.imbalance.phaseDegrees;
        EXPECT_NEAR(samples[0].q, c.expected.q, kTolerance)
            << c.imbalance.amplitudeDb << " " << c.imbalance.phaseDegrees;
    }
}

TEST(DcOffset, AddsTheSameConstantToEverySample) {
    const SampleBuffer input = testing::randomBuffer(101, 3);
    SampleBuffer samples = input;
    addDcOffset(samples, {0.25, -1.5});
    for (std::size_t n = 0; n < input.size(); ++n) {
        EXPECT_TRUE(testing::sameBits(samples[n], {input[n].i + 0.25, input[n].q - 1.5})) << n;
    }
}

}  // namespace
}  // namespace quorvel
