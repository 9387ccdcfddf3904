#include "channel/MultipathFading.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <vector>

#include "channel/ChannelTestSupport.h"

namespace quorvel {
namespace {

constexpr double kMultipathFadingSamplingRateHz = 10000.0;

std::complex<double> asComplex(ComplexSample s) {
    return {s.i, s.q};
}

TEST(Multipath, StaticTapsAreADirectConvolution) {
    const std::vector<MultipathTap> taps{{0.0, 0.0, 0.0}, {3.0, -6.0, 90.0}, {7.0, -10.0, -45.0}};
    const SampleBuffer input = testing_support::randomBuffer(1001, 5);
    const SampleBuffer out = applyMultipathFading(input, taps, std::nullopt, kMultipathFadingSamplingRateHz, 0);
    ASSERT_EQ(out.size(), input.size());
    for (std::size_t n = 0; n < input.size(); ++n) {
        std::complex<double> expected;
        for (const MultipathTap& tap : taps) {
            const auto delay = static_cast<std::size_t>(tap.delaySamples);
            if (n >= delay) {
                expected +=
                    std::polar(std::pow(10.0, tap.gainDb / 20.0), tap.phaseDegrees * Pi / 180.0) *
                    asComplex(input[n - delay]);
            }
        }
        EXPECT_LT(std::abs(asComplex(out[n]) - expected), 1e-15) << n;
    }
}

TEST(Multipath, AFractionalDelayDelaysABandLimitedTone) {
    constexpr double kCycles = 0.05;
    constexpr double kDelay = 2.5;
    SampleBuffer input(400);
    for (std::size_t n = 0; n < input.size(); ++n) {
        input[n] = polar(1.0, (Pi * 2.0) * kCycles * static_cast<double>(n));
    }
    const SampleBuffer out =
        applyMultipathFading(input, {{kDelay, 0.0, 0.0}}, std::nullopt, kMultipathFadingSamplingRateHz, 0);
    for (std::size_t n = 40; n < 360; ++n) {
        const std::complex<double> expected =
            std::polar(1.0, (Pi * 2.0) * kCycles * (static_cast<double>(n) - kDelay));
        EXPECT_LT(std::abs(asComplex(out[n]) - expected), 1e-4) << n;
    }
}

// The gains of a single fading path: the stage's output for a constant input of 1.
SampleBuffer gains(const Fading& fading, std::size_t count, std::uint32_t seed) {
    return applyMultipathFading(SampleBuffer(count, {1.0, 0.0}), {}, fading, kMultipathFadingSamplingRateHz, seed);
}

// P(|c| <= r) for a Rician envelope of mean power 1 and K-factor k, by the trapezoid rule over
// its density (r / s2) e^(-(r^2 + v^2) / (2 s2)) I0(r v / s2).
double ricianCdf(double k, double r) {
    const double v = std::sqrt(k / (k + 1.0));
    const double s2 = 0.5 / (k + 1.0);
    const auto density = [&](double x) {
        return x / s2 * std::exp(-(x * x + v * v) / (2.0 * s2)) *
               std::cyl_bessel_i(0.0, x * v / s2);
    };
    constexpr int kSteps = 4000;
    double sum = 0.0;
    for (int j = 1; j <= kSteps; ++j) {
        sum += (density(r * (j - 1) / kSteps) + density(r * j / kSteps)) * 0.5 * r / kSteps;
    }
    return sum;
}

TEST(Fading, EnvelopeFollowsTheRayleighAndRicianDistributions) {
    constexpr std::size_t kCount = 1000000;  // 10 000 Doppler periods
    for (const Fading fading :
         {Fading{FadingModel::Rayleigh, 0.0, 100.0}, Fading{FadingModel::Rician, 3.0, 100.0}}) {
        const SampleBuffer c = gains(fading, kCount, 11);
        double power = 0.0;
        for (const ComplexSample& g : c) {
            power += g.i * g.i + g.q * g.q;
        }
        EXPECT_NEAR(power / kCount, 1.0, 0.03) << fading.kFactor;
        for (const double r : {0.3, 0.6, 1.0, 1.4}) {
            std::size_t below = 0;
            for (const ComplexSample& g : c) {
                below += std::hypot(g.i, g.q) <= r ? 1 : 0;
            }
            EXPECT_NEAR(static_cast<double>(below) / kCount, ricianCdf(fading.kFactor, r), 0.02)
                << "K " << fading.kFactor << ", r " << r;
        }
    }
}

TEST(Fading, AutocorrelationIsTheBesselFunctionOfTheDopplerSpread) {
    constexpr double kDopplerHz = 50.0;
    constexpr std::size_t kCount = 200000;
    constexpr int kSeeds = 8;
    constexpr std::size_t kLags[] = {10, 20, 40, 60, 100};  // fd tau from 0.05 to 0.5
    double sums[std::size(kLags)] = {};
    for (int seed = 1; seed <= kSeeds; ++seed) {
        const SampleBuffer c = gains({FadingModel::Rayleigh, 0.0, kDopplerHz}, kCount,
                                     static_cast<std::uint32_t>(seed));
        for (std::size_t j = 0; j < std::size(kLags); ++j) {
            for (std::size_t n = 0; n + kLags[j] < kCount; ++n) {
                sums[j] += (asComplex(c[n + kLags[j]]) * std::conj(asComplex(c[n]))).real();
            }
        }
    }
    for (std::size_t j = 0; j < std::size(kLags); ++j) {
        const double measured = sums[j] / (kSeeds * static_cast<double>(kCount - kLags[j]));
        const double tau = static_cast<double>(kLags[j]) / kMultipathFadingSamplingRateHz;
        EXPECT_NEAR(measured, std::cyl_bessel_j(0.0, (Pi * 2.0) * kDopplerHz * tau), 0.05)
            << kLags[j];
    }
}

TEST(Fading, EveryTapFadesOnItsOwn) {
    // Two 0 dB taps: independent gains add their powers (2); one gain shared would give 4.
    constexpr std::size_t kCount = 400000;
    const SampleBuffer out =
        applyMultipathFading(SampleBuffer(kCount, {1.0, 0.0}), {{0.0, 0.0, 0.0}, {5.0, 0.0, 0.0}},
                             Fading{FadingModel::Rayleigh, 0.0, 80.0}, kMultipathFadingSamplingRateHz, 3);
    double power = 0.0;
    for (std::size_t n = 5; n < kCount; ++n) {
        power += out[n].i * out[n].i + out[n].q * out[n].q;
    }
    EXPECT_NEAR(power / static_cast<double>(kCount - 5), 2.0, 0.15);
}

}  // namespace
}  // namespace quorvel
