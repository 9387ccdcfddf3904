#include "channel/IqImbalance.h"

#include <gtest/gtest.h>

#include <cmath>

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

// A tone e^(j w t) leaves the mismatched branches as K1 e^(j w t) + K2 e^(-j w t); its image
// rejection |K1|^2 / |K2|^2 is the textbook (1 + 2 g cos phi + g^2) / (1 - 2 g cos phi + g^2),
// g = 10^(-A/20) the ratio of the branch gains. Both terms are measured over whole periods.
TEST(IqImbalance, ATonesImageRejectionIsTheClosedForm) {
    const IqImbalance cases[] = {{0.5, 2.0}, {1.0, 0.0}, {0.0, 5.0}, {3.0, -10.0}, {-2.0, 30.0}, {6.0, 90.0}};
    constexpr std::size_t kLength = 64;
    constexpr double kCycles = 5.0;
    for (const IqImbalance& c : cases) {
        SampleBuffer samples(kLength);
        for (std::size_t k = 0; k < kLength; ++k) {
            samples[k] = polar(1.0, 2.0 * Pi * kCycles * static_cast<double>(k) / kLength);
        }
        applyIqImbalance(samples, c);
        ComplexSample direct{}, image{};
        for (std::size_t k = 0; k < kLength; ++k) {
            const double turn = 2.0 * Pi * kCycles * static_cast<double>(k) / kLength;
            direct = direct + samples[k] * polar(1.0 / kLength, -turn);
            image = image + samples[k] * polar(1.0 / kLength, turn);
        }
        const double g = std::pow(10.0, -c.amplitudeDb / 20.0);
        const double cosine = std::cos(c.phaseDegrees * Pi / 180.0);
        const double directPower = direct.i * direct.i + direct.q * direct.q;
        const double imagePower = image.i * image.i + image.q * image.q;
        // |K1|^2 + |K2|^2 is the mean of the two branch gains squared, (1 / g + g) / 2.
        EXPECT_NEAR(directPower + imagePower, (1.0 / g + g) / 2.0, 1e-12) << c.amplitudeDb << " " << c.phaseDegrees;
        EXPECT_NEAR(directPower / imagePower, (1.0 + 2.0 * g * cosine + g * g) / (1.0 - 2.0 * g * cosine + g * g),
                    1e-9 * directPower / imagePower)
            << c.amplitudeDb << " " << c.phaseDegrees;
    }
}

TEST(DcOffset, AddsTheSameConstantToEverySample) {
    const SampleBuffer input = testing_support::randomBuffer(101, 3);
    SampleBuffer samples = input;
    addDcOffset(samples, {0.25, -1.5});
    for (std::size_t n = 0; n < input.size(); ++n) {
        EXPECT_TRUE(testing_support::sameBits(samples[n], {input[n].i + 0.25, input[n].q - 1.5})) << n;
    }
}

}  // namespace
}  // namespace quorvel
