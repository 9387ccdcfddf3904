#include "display/Spectrum.h"

#include "dsp/DirectDft.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <iterator>
#include <vector>

namespace quorvel {
namespace {

using testing_support::binTone;
using testing_support::directDft;
using testing_support::randomSignal;

// Levels from FFTW and from the long-double reference differ by rounding only.
constexpr double kLevelToleranceDb = 1e-9;
// 10 log10(1 + 1e-12) is 4.3e-12 dB above zero.
constexpr double kUnitBinToleranceDb = 5e-12;
// How close to the -120 dB floor a bin without signal stays after FFTW's rounding.
constexpr double kFloorToleranceDb = 1e-3;
// Parseval's sum over 10^5 bins carries this relative rounding.
constexpr double kEnergyRelativeTolerance = 1e-9;

struct Spectrum {
    std::vector<double> frequenciesHz;
    std::vector<double> powerDb;
};

Spectrum spectrumOf(const SampleBuffer& x, double sampleRateHz) {
    Spectrum s;
    computeSpectrum(x, sampleRateHz, s.frequenciesHz, s.powerDb);
    return s;
}

std::size_t peakIndex(const std::vector<double>& levels) {
    return static_cast<std::size_t>(
        std::distance(levels.begin(), std::max_element(levels.begin(), levels.end())));
}

// Levels straight from the DFT definition, bin i placed at (i + floor(N/2)) mod N.
std::vector<double> referenceLevels(const SampleBuffer& x) {
    const SampleBuffer bins = directDft(x);
    const std::size_t n = x.size();
    std::vector<double> levels(n);
    for (std::size_t i = 0; i < n; ++i) {
        const double magnitude = std::hypot(bins[i].i, bins[i].q);
        levels[(i + n / 2) % n] = 10.0 * std::log10(magnitude * magnitude + 1e-12);
    }
    return levels;
}

// s may hold an earlier result, which must be overwritten in full.
void expectLevelsMatchReference(const SampleBuffer& x, Spectrum& s) {
    computeSpectrum(x, 1000.0, s.frequenciesHz, s.powerDb);
    ASSERT_EQ(s.frequenciesHz.size(), x.size());
    const std::vector<double> expected = referenceLevels(x);
    ASSERT_EQ(s.powerDb.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_NEAR(s.powerDb[i], expected[i], kLevelToleranceDb) << "N " << x.size() << " i " << i;
    }
}

TEST(Spectrum, LevelsMatchTheDirectDftForPrimeAndCompositeLengths) {
    for (const std::size_t n : {1, 2, 3, 5, 7, 12, 97, 100, 128, 243}) {
        Spectrum s;
        expectLevelsMatchReference(randomSignal(n, static_cast<unsigned>(n) + 100), s);
    }
}

TEST(Spectrum, AlternatingLengthsEachGiveTheirOwnTransform) {
    // Every change of length replaces the cached plan and shrinks or grows the same outputs;
    // returning to a length plans it afresh.
    Spectrum s;
    for (const std::size_t n : {12, 97, 12, 128, 128, 1, 243, 97}) {
        expectLevelsMatchReference(randomSignal(n, static_cast<unsigned>(n)), s);
    }
}

TEST(Spectrum, ImpulseGivesUnitBinsAtEveryFrequency) {
    const Spectrum s = spectrumOf({{1, 0}, {0, 0}, {0, 0}, {0, 0}}, 4.0);
    EXPECT_EQ(s.frequenciesHz, (std::vector<double>{-2.0, -1.0, 0.0, 1.0}));
    ASSERT_EQ(s.powerDb.size(), 4u);
    for (const double level : s.powerDb) {
        EXPECT_NEAR(level, 0.0, kUnitBinToleranceDb);
    }
}

TEST(Spectrum, SingleSampleSitsAtMinusHalfTheRate) {
    const Spectrum s = spectrumOf({{3, 4}}, 10.0);
    EXPECT_EQ(s.frequenciesHz, (std::vector<double>{-5.0}));
    ASSERT_EQ(s.powerDb.size(), 1u);
    EXPECT_NEAR(s.powerDb[0], 10.0 * std::log10(25.0 + 1e-12), kLevelToleranceDb);
}

TEST(Spectrum, ToneOnBinEightPeaksAtSixtyDecibelsAboveTheFloor) {
    const Spectrum s = spectrumOf(binTone(1024, 8), 1024.0);
    ASSERT_EQ(s.powerDb.size(), 1024u);
    EXPECT_EQ(s.frequenciesHz[520], 8.0);
    EXPECT_NEAR(s.powerDb[520], 20.0 * std::log10(1024.0), kLevelToleranceDb);
    for (std::size_t i = 0; i < s.powerDb.size(); ++i) {
        if (i != 520) {
            EXPECT_NEAR(s.powerDb[i], -120.0, kFloorToleranceDb) << "i " << i;
        }
    }
}

TEST(Spectrum, AllZeroSignalSitsExactlyOnTheFloor) {
    for (const std::size_t n : {1, 4, 7, 1000}) {
        const Spectrum s = spectrumOf(SampleBuffer(n), 10000.0);
        ASSERT_EQ(s.powerDb.size(), n);
        for (const double level : s.powerDb) {
            EXPECT_EQ(level, -120.0) << "N " << n;
        }
    }
}

struct FrequencyCase {
    std::size_t n;
    double sampleRateHz;
    std::vector<double> expectedHz;
};

TEST(Spectrum, FrequenciesRunFromMinusHalfTheRateInBinSteps) {
    const FrequencyCase cases[] = {
        {1, 10.0, {-5.0}},
        {2, 10.0, {-5.0, 0.0}},
        {3, 3.0, {-1.5, -0.5, 0.5}},
        {4, 4.0, {-2.0, -1.0, 0.0, 1.0}},
        {5, 5.0, {-2.5, -1.5, -0.5, 0.5, 1.5}},
        {6, 600.0, {-300.0, -200.0, -100.0, 0.0, 100.0, 200.0}},
        {7, 700.0, {-350.0, -250.0, -150.0, -50.0, 50.0, 150.0, 250.0}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(spectrumOf(SampleBuffer(c.n), c.sampleRateHz).frequenciesHz, c.expectedHz)
            << "N " << c.n;
    }
}

TEST(Spectrum, EvenLengthRunsFromMinusHalfTheRateWithZeroAtTheMiddle) {
    constexpr double kRateHz = 10000.0;
    for (const std::size_t n : {2, 100, 1024, 100000}) {
        const Spectrum s = spectrumOf(SampleBuffer(n), kRateHz);
        const double step = kRateHz / static_cast<double>(n);
        EXPECT_EQ(s.frequenciesHz.front(), -kRateHz / 2) << "N " << n;
        EXPECT_EQ(s.frequenciesHz[n / 2], 0.0) << "N " << n;
        EXPECT_DOUBLE_EQ(s.frequenciesHz.back(), kRateHz / 2 - step) << "N " << n;
    }
}

TEST(Spectrum, ToneOnABinPeaksAtThatBinsFrequency) {
    // Odd lengths included: there every label sits half a bin below its bin.
    constexpr double kRateHz = 1000.0;
    for (const std::size_t n : {5, 63, 64, 1023, 1024}) {
        for (const long long bin : {-2LL, 0LL, 1LL, 2LL}) {
            const Spectrum s = spectrumOf(binTone(n, bin), kRateHz);
            const double offsetBins = n % 2 == 1 ? 0.5 : 0.0;
            const double expectedHz =
                (static_cast<double>(bin) - offsetBins) * kRateHz / static_cast<double>(n);
            EXPECT_DOUBLE_EQ(s.frequenciesHz[peakIndex(s.powerDb)], expectedHz)
                << "N " << n << " bin " << bin;
        }
    }
}

TEST(Spectrum, ShiftingAToneUpMovesItsPeakRightByTheShift) {
    constexpr std::size_t kLength = 1000;
    constexpr double kRateHz = 10000.0;
    constexpr long long kShiftBins = 37;
    const SampleBuffer tone = binTone(kLength, -5);
    const SampleBuffer shift = binTone(kLength, kShiftBins);
    SampleBuffer shifted(kLength);
    for (std::size_t m = 0; m < kLength; ++m) {
        shifted[m] = tone[m] * shift[m];
    }
    const Spectrum before = spectrumOf(tone, kRateHz);
    const Spectrum after = spectrumOf(shifted, kRateHz);
    EXPECT_EQ(peakIndex(after.powerDb), peakIndex(before.powerDb) + kShiftBins);
    EXPECT_DOUBLE_EQ(after.frequenciesHz[peakIndex(after.powerDb)] -
                         before.frequenciesHz[peakIndex(before.powerDb)],
                     kShiftBins * kRateHz / kLength);
}

TEST(Spectrum, LongPrimeAndCompositeLengthsKeepTheSignalEnergy) {
    // Parseval: the unscaled bins carry N times the signal's energy.
    for (const std::size_t n : {10007, 100000, 100003}) {
        const SampleBuffer x = randomSignal(n, 5);
        double energy = 0.0;
        for (const auto& s : x) {
            energy += s.i * s.i + s.q * s.q;
        }
        double binEnergy = 0.0;
        for (const double level : spectrumOf(x, 1.0).powerDb) {
            binEnergy += std::pow(10.0, level / 10.0) - 1e-12;
        }
        const double expected = energy * static_cast<double>(n);
        EXPECT_NEAR(binEnergy, expected, kEnergyRelativeTolerance * expected) << "N " << n;
    }
}

TEST(Spectrum, EmptySignalLeavesThePreviousResultUntouched) {
    Spectrum s = spectrumOf(binTone(8, 1), 8.0);
    const Spectrum before = s;
    computeSpectrum(SampleBuffer{}, 123.0, s.frequenciesHz, s.powerDb);
    EXPECT_EQ(s.frequenciesHz, before.frequenciesHz);
    EXPECT_EQ(s.powerDb, before.powerDb);
}

}  // namespace
}  // namespace quorvel
