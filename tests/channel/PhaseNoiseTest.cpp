#include "channel/PhaseNoise.h"

#include <gtest/gtest.h>

#include <cmath>

namespace quorvel {
namespace {

constexpr double kPhaseNoiseSamplingRateHz = 10000.0;
constexpr std::size_t kSegment = 4096;
constexpr std::size_t kSegments = 64;

// The power spectral density [1/Hz] of x at frequencyHz: Hann-windowed periodograms of
// consecutive segments, averaged, each bin computed directly and averaged over 5 bins around it.
double spectralDensity(const SampleBuffer& x, double frequencyHz) {
    const auto centre = static_cast<long>(std::lround(frequencyHz / kPhaseNoiseSamplingRateHz * kSegment));
    double windowPower = 0.0;
    for (std::size_t n = 0; n < kSegment; ++n) {
        const double w = 0.5 - 0.5 * std::cos((Pi * 2.0) * static_cast<double>(n) / kSegment);
        windowPower += w * w;
    }
    double sum = 0.0;
    for (std::size_t s = 0; s < kSegments; ++s) {
        for (long bin = centre - 2; bin <= centre + 2; ++bin) {
            ComplexSample acc{};
            for (std::size_t n = 0; n < kSegment; ++n) {
                const double w =
                    0.5 - 0.5 * std::cos((Pi * 2.0) * static_cast<double>(n) / kSegment);
                const ComplexSample turn = polar(
                    w, -(Pi * 2.0) * static_cast<double>(bin) * static_cast<double>(n) / kSegment);
                acc = acc + x[s * kSegment + n] * turn;
            }
            sum += (acc.i * acc.i + acc.q * acc.q) / (kPhaseNoiseSamplingRateHz * windowPower);
        }
    }
    return sum / (kSegments * 5);
}

TEST(PhaseNoise, CarrierSpectrumHasTheLevelAskedForAndFallsAt20DbPerDecade) {
    struct Case {
        PhaseNoise noise;
        double measuredAtHz;
        double expectedDbcPerHz;
    };
    const Case cases[] = {
        {{-60.0, 100.0}, 100.0, -60.0},
        {{-60.0, 100.0}, 400.0, -72.0412},  // 20 log10(4) below
        {{-90.0, 1000.0}, 1000.0, -90.0},
    };
    const SampleBuffer carrier(kSegment * kSegments, {1.0, 0.0});
    for (const Case& c : cases) {
        const SampleBuffer noisy = applyPhaseNoise(carrier, c.noise, kPhaseNoiseSamplingRateHz, 17);
        const double measured = 10.0 * std::log10(spectralDensity(noisy, c.measuredAtHz));
        EXPECT_NEAR(measured, c.expectedDbcPerHz, 1.0)
            << c.noise.levelDbcPerHz << "@" << c.noise.offsetHz;
    }
}

}  // namespace
}  // namespace quorvel
