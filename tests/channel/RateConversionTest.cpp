#include "channel/RateConversion.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

#include "dsp/FourierTransform.h"

namespace quorvel {
namespace {

// A tone at a fraction of the input rate, brought up by a ratio: its level must hold and every
// other frequency of the output, its images first, must lie under the stated rejection.
struct RateConversionToneCase {
    double toneOfInputRate;
    double ratio;  // output rate over input rate
};

constexpr RateConversionToneCase kToneCases[] = {
    {0.10, 1.0}, {0.30, 2.5}, {-0.37, 3.7}, {0.40, 7.0}, {-0.25, 13.31}, {0.05, 1.618},
};

// The level a tone keeps through the passband [dB]. The 4-term Blackman-Harris window's sidelobes
// (-92 dB) lie below the rejection measured, so the measurement shows the images, not itself.
constexpr double kPassbandToleranceDb = 0.01;
constexpr std::size_t kRateConversionFft = 1 << 14;

double blackmanHarris(std::size_t n, std::size_t length) {
    const double x = 2.0 * Pi * static_cast<double>(n) / static_cast<double>(length - 1);
    return 0.35875 - 0.48829 * std::cos(x) + 0.14128 * std::cos(2.0 * x) - 0.01168 * std::cos(3.0 * x);
}

TEST(RateConversion, ToneKeepsItsLevelAndItsImagesStayDown) {
    for (const RateConversionToneCase& c : kToneCases) {
        SCOPED_TRACE(testing::Message() << "tone " << c.toneOfInputRate << " ratio " << c.ratio);
        const double inputRate = 1000.0;
        const double outputRate = inputRate * c.ratio;
        const auto inputCount = static_cast<std::size_t>(std::ceil(kRateConversionFft / c.ratio)) + 200;
        SampleBuffer input(inputCount);
        for (std::size_t m = 0; m < inputCount; ++m) {
            const double phase = 2.0 * Pi * c.toneOfInputRate * static_cast<double>(m);
            input[m] = {std::cos(phase), std::sin(phase)};
        }
        // Outputs from well past the start, where the input's first samples no longer reach.
        const std::size_t first = static_cast<std::size_t>(std::ceil(40.0 * c.ratio));
        SampleBuffer out;
        raiseSamplingRate(input, inputRate, outputRate, first, kRateConversionFft, out);
        ASSERT_EQ(out.size(), kRateConversionFft);

        double power = 0.0;
        for (const ComplexSample& s : out) {
            power += s.i * s.i + s.q * s.q;
        }
        EXPECT_NEAR(10.0 * std::log10(power / kRateConversionFft), 0.0, kPassbandToleranceDb);

        SampleBuffer windowed(kRateConversionFft);
        for (std::size_t n = 0; n < kRateConversionFft; ++n) {
            const double w = blackmanHarris(n, kRateConversionFft);
            windowed[n] = {out[n].i * w, out[n].q * w};
        }
        FourierTransform transform(kRateConversionFft);
        const auto bins = transform.forward(windowed);
        std::vector<double> level(kRateConversionFft);
        for (std::size_t k = 0; k < kRateConversionFft; ++k) {
            level[k] = bins[2 * k] * bins[2 * k] + bins[2 * k + 1] * bins[2 * k + 1];
        }
        const double toneBin = c.toneOfInputRate / c.ratio * static_cast<double>(kRateConversionFft);
        const double peak = *std::max_element(level.begin(), level.end());
        double worst = 0.0;
        for (std::size_t k = 0; k < kRateConversionFft; ++k) {
            // The window's main lobe spans 4 bins either side; past 8 it is far below its sidelobes.
            double distance = std::fabs(static_cast<double>(k) - toneBin);
            distance = std::min(distance, static_cast<double>(kRateConversionFft) - distance);
            if (distance > 8.0) {
                worst = std::max(worst, level[k]);
            }
        }
        const double worstDb = 10.0 * std::log10(worst / peak + 1e-30);
        EXPECT_LT(worstDb, -kRateConversionImageRejectionDb) << "worst other bin " << worstDb << " dB";
    }
}

TEST(RateConversion, RefusesToLowerTheRateAndReadsNothingPastTheInput) {
    SampleBuffer out;
    const SampleBuffer input(16, ComplexSample{1.0, 0.0});
    EXPECT_THROW(raiseSamplingRate(input, 2.0, 1.0, 0, 4, out), std::invalid_argument);
    // Far past the input the output is silence, and the reach covers every sample read.
    raiseSamplingRate(input, 1.0, 3.0, 200, 10, out);
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](const ComplexSample& s) { return s.i == 0.0 && s.q == 0.0; }));
    EXPECT_GE(inputSamplesReached(1.0, 3.0, 0, 30), 10U + 16U);
}

}  // namespace
}  // namespace quorvel
