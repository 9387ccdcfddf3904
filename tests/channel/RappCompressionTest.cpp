#include "channel/RappCompression.h"

#include <gtest/gtest.h>

#include <cmath>

namespace quorvel {
namespace {

TEST(RappCompression, FollowsTheRappCurveAndKeepsThePhase) {
    struct Case {
        double p, a, amplitude, expected;  // expected |y| worked out by hand
    };
    const Case cases[] = {
        {1.0, 1.0, 1.0, 0.70710678118654752},                // 1 / sqrt(2)
        {2.0, 1.0, 1.0, 0.84089641525371454},                // 2^(-1/4)
        {1.0, 2.0, 3.4641016151377546, 1.7320508075688772},  // 2 sqrt(3) / sqrt(1 + 3)
        {0.5, 1.0, 3.0, 0.75},                               // 3 / (1 + 3)
        {3.0, 0.5, 0.05, 0.049999991666671528},              // 0.05 / (1 + 1e-6)^(1/6)
        {1000.0, 1.0, 3.0, 1.0},  // a hard limiter, past the range of a double
        {1.0, 1e-200, 1.0, 1e-200},
        {1.0, 1.0, 0.0, 0.0},
    };
    for (const Case& c : cases) {
        SampleBuffer samples{polar(c.amplitude, 0.7)};
        compressRapp(samples, {c.p, c.a});
        EXPECT_NEAR(std::hypot(samples[0].i, samples[0].q), c.expected,
                    1e-15 * std::fmax(c.expected, 1e-185))
            << c.p << ", " << c.a << ", " << c.amplitude;
        if (c.amplitude > 0.0) {
            EXPECT_NEAR(std::atan2(samples[0].q, samples[0].i), 0.7, 1e-15);
        }
    }
}

}  // namespace
}  // namespace quorvel
