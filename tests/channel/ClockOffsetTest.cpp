#include "channel/ClockOffset.h"

#include <gtest/gtest.h>

#include <cmath>

#include "channel/WindowedSinc.h"

namespace quorvel {
namespace {

// The windowed sinc passes a tone well inside the band within this much.
constexpr double kInterpolationTolerance = 1e-4;

SampleBuffer clockOffsetTone(std::size_t count, double cyclesPerSample) {
    SampleBuffer out(count);
    for (std::size_t n = 0; n < count; ++n) {
        out[n] = polar(1.0, (Pi * 2.0) * cyclesPerSample * static_cast<double>(n));
    }
    return out;
}

TEST(ClockOffset, StretchesALongToneByTheClockRatio) {
    constexpr std::size_t kCount = 200000;
    constexpr double kCycles = 0.0123;
    for (const double ppm : {-50.0, 37.5, 2000.0}) {
        const SampleBuffer out = applyClockOffset(clockOffsetTone(kCount, kCycles), ppm);
        const double ratio = 1.0 + ppm * 1e-6;
        double worst = 0.0;
        for (std::size_t n = kSincHalfWidth; n < kCount; ++n) {
            const double read = static_cast<double>(n) * ratio;
            if (read > static_cast<double>(kCount - kSincHalfWidth)) {
                break;
            }
            const ComplexSample expected = polar(1.0, (Pi * 2.0) * kCycles * read);
            worst = std::fmax(worst, std::hypot(out[n].i - expected.i, out[n].q - expected.q));
        }
        // The phase drifts by 2 pi f n ppm 1e-6 over the file: 0.77 rad at -50 ppm.
        EXPECT_LT(worst, kInterpolationTolerance) << ppm;
    }
}

TEST(ClockOffset, AFastClockReadsSilenceOnceTheInputHasEnded) {
    const SampleBuffer out = applyClockOffset(clockOffsetTone(1000, 0.1), 1e5);
    ASSERT_EQ(out.size(), 1000u);
    // Sample n reads at 1.1 n: from n = 923 on, all 32 samples weighed lie past sample 999.
    for (std::size_t n = 923; n < out.size(); ++n) {
        EXPECT_EQ(out[n], ComplexSample{}) << n;
    }
    EXPECT_GT(std::hypot(out[900].i, out[900].q), 0.5);
}

}  // namespace
}  // namespace quorvel
