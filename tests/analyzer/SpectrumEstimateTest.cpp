// Welch's estimate against the textbook figures of each window and against tones and noise of
// known power: the RBW is ENBW x fs / N, a tone reads its power at its frequency, white noise
// its density times the RBW.

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "analyzer/SpectrumEstimate.h"
#include "common/Signal.h"
#include "support/MemoryReader.h"

namespace quorvel {
namespace {

constexpr double kFs = 48000.0;
constexpr std::size_t kN = 1024;

struct WindowCase {
    SpectralWindow window;
    double enbwBins;          // Harris (1978) and MATLAB's enbw() of each window
    double levelToleranceDb;  // a tone off the bin grid: the window's scalloping loss
};

constexpr WindowCase kWindows[] = {
    {SpectralWindow::Rectangular, 1.0, 4.0}, {SpectralWindow::Hann, 1.5, 1.5},
    {SpectralWindow::Hamming, 1.3628, 1.8},  {SpectralWindow::BlackmanHarris, 2.0044, 0.9},
    {SpectralWindow::FlatTop, 3.7702, 0.05},
};

std::vector<IqSample> spectrumEstimateTone(double frequencyHz, double amplitude, std::size_t count) {
    std::vector<IqSample> s(count);
    for (std::size_t n = 0; n < count; ++n) {
        const double phase = 2.0 * Pi * frequencyHz * static_cast<double>(n) / kFs;
        s[n] = {static_cast<float>(amplitude * std::cos(phase)),
                static_cast<float>(amplitude * std::sin(phase))};
    }
    return s;
}

class WelchWindows : public testing::TestWithParam<WindowCase> {};

TEST_P(WelchWindows, RbwToneLevelAndFrequencyUnderTheCursor) {
    const WindowCase& c = GetParam();
    EXPECT_NEAR(equivalentNoiseBandwidthBins(windowCoefficients(c.window, kN)), c.enbwBins, 2e-4);
    const double binHz = kFs / kN;
    for (const double offBins : {0.0, 0.37}) {
        const double f0 = (offBins - 50.0) * binHz;  // below 0 Hz
        const testing_support::MemoryReader reader(spectrumEstimateTone(f0, 0.5, 20 * kN));
        const SpectrumEstimate e = welchSpectrum(reader, 0, 20 * kN, kFs, {kN, c.window, 0.5, 256});
        ASSERT_EQ(e.fftSize, kN);
        EXPECT_EQ(e.segments, 39u);
        EXPECT_NEAR(e.resolutionBandwidthHz, c.enbwBins * kFs / kN, 1e-2);
        // The cursor a few bins away finds the tone; its level is its power, 0.25 = -6.02 dB.
        const SpectrumPeak peak = peakNear(e, f0 + 2.3 * binHz, 4);
        const double tolerance = offBins == 0.0 ? 0.01 : c.levelToleranceDb;
        EXPECT_NEAR(peak.powerDb, 10.0 * std::log10(0.25), tolerance) << offBins;
        if (c.window != SpectralWindow::Rectangular) {
            EXPECT_NEAR(peak.frequencyHz, f0, 0.1 * binHz) << offBins;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EachWindow, WelchWindows, testing::ValuesIn(kWindows));

TEST(WelchSpectrum, WhiteNoiseReadsItsDensityTimesTheRbw) {
    std::mt19937 engine(3);
    std::normal_distribution<float> normal(0.0f, std::sqrt(0.5f));  // unit power per sample
    std::vector<IqSample> s(256 * kN);
    for (IqSample& x : s) {
        x = {normal(engine), normal(engine)};
    }
    const testing_support::MemoryReader reader(s);
    const SpectrumEstimate e =
        welchSpectrum(reader, 0, s.size(), kFs, {kN, SpectralWindow::Hann, 0.5, 512});
    double mean = 0.0;
    for (const double level : e.powerDb) {
        mean += std::pow(10.0, level / 10.0);
    }
    mean /= static_cast<double>(e.powerDb.size());
    // Density 1 / fs per Hz, times the RBW.
    EXPECT_NEAR(10.0 * std::log10(mean), 10.0 * std::log10(e.resolutionBandwidthHz / kFs), 0.1);
    // Segments beyond the cap are spread over the range, not taken from its start.
    const SpectrumEstimate capped =
        welchSpectrum(reader, 0, s.size(), kFs, {kN, SpectralWindow::Hann, 0.5, 8});
    EXPECT_EQ(capped.segments, 8u);
}

TEST(WelchSpectrum, ShortRangesShrinkTheTransformAndTheSpectrogramSpreadsItsRows) {
    const testing_support::MemoryReader reader(spectrumEstimateTone(1000.0, 1.0, 5000));
    EXPECT_EQ(welchSpectrum(reader, 0, 300, kFs, {}).fftSize, 256u);
    EXPECT_TRUE(welchSpectrum(reader, 10, 20, kFs, {}).powerDb.empty());
    const Spectrogram g = spectrogram(reader, 0, 5000, kFs, 256, SpectralWindow::Hann, 50);
    ASSERT_EQ(g.rows, 50u);
    EXPECT_EQ(g.rowStarts.front(), 0u);
    EXPECT_EQ(g.rowStarts.back(), 5000u - 256u);
    // Every row sees the tone in the bin of 1000 Hz: bin 128 + 1000 / (fs / 256) = 133.33.
    for (std::size_t r = 0; r < g.rows; ++r) {
        const auto row = g.powerDb.begin() + static_cast<std::ptrdiff_t>(r * g.bins);
        EXPECT_EQ(std::max_element(row, row + static_cast<std::ptrdiff_t>(g.bins)) - row, 133);
    }
}

}  // namespace
}  // namespace quorvel
