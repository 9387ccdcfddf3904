#include "modulation/Gmsk.h"

#include "modulation/Msk.h"
#include "modulation/PointChecks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <random>

namespace quorvel {
namespace {

SymbolSequence randomBits(std::size_t count, std::uint32_t seed) {
    std::mt19937 engine(seed);
    SymbolSequence bits(count);
    for (auto& b : bits) {
        b = static_cast<std::int32_t>(engine() >> 31);
    }
    return bits;
}

// The textbook GMSK frequency pulse for BT = 0.3, normalised to unit area, centred on 0.
double referenceFrequencyPulse(double timeSymbols) {
    const double k = Pi * 0.3 * std::sqrt(2.0 / std::log(2.0));
    return 0.5 * (std::erf(k * (timeSymbols + 0.5)) - std::erf(k * (timeSymbols - 0.5)));
}

// Its integral from far before the pulse to t, by Simpson's rule.
double referencePhasePulse(double timeSymbols) {
    constexpr double kStart = -6.0;
    constexpr int kIntervals = 4000;
    const double h = (timeSymbols - kStart) / kIntervals;
    double sum = referenceFrequencyPulse(kStart) + referenceFrequencyPulse(timeSymbols);
    for (int i = 1; i < kIntervals; ++i) {
        sum += (i % 2 == 1 ? 4.0 : 2.0) * referenceFrequencyPulse(kStart + i * h);
    }
    return sum * h / 3.0;
}

TEST(Gmsk, PhasePulseIsTheIntegralOfTheGaussianFilteredRectangle) {
    // The truncation at 3 symbol periods moves the pulse by about 1e-9.
    constexpr double kPulseTolerance = 1e-8;
    EXPECT_EQ(kGmskBandwidthTime, 0.3);
    for (const double t :
         {-3.5, -2.9, -2.0, -1.0, -0.5, -0.2, 0.0, 0.3, 0.5, 0.75, 1.5, 2.9, 4.0}) {
        const double expected = t <= -3.0 ? 0.0 : (t >= 3.0 ? 1.0 : referencePhasePulse(t));
        EXPECT_NEAR(gmskPhasePulse(t), expected, kPulseTolerance) << "t=" << t;
    }
}

// Unwrapped phase of every sample [rad].
std::vector<double> unwrappedPhase(const SampleBuffer& samples) {
    std::vector<double> phase;
    double last = 0.0;
    for (const auto& s : samples) {
        last += testing_support::wrapPhase(testing_support::phaseOf(s) - last);
        phase.push_back(last);
    }
    return phase;
}

TEST(Gmsk, UnitMagnitudeAndContinuousPhaseNoFasterThanMsk) {
    constexpr double kStepSlackRad = 1e-8;
    const auto symbols = randomBits(400, 11);
    for (const double sps : {8.0, 4.0, 2.5, 10.0 / 3.0}) {
        const auto samples = modulateGmsk(symbols, sps);
        const auto perSymbol = static_cast<std::size_t>(sps);
        ASSERT_EQ(samples.size(), symbols.size() * perSymbol) << "sps " << sps;
        // The widest gap between neighbouring samples is across a symbol boundary.
        const double widestGap = 1.0 - static_cast<double>(perSymbol - 1) / sps;
        for (std::size_t n = 0; n < samples.size(); ++n) {
            EXPECT_NEAR(testing_support::magnitudeOf(samples[n]), 1.0, testing_support::kPointTolerance);
            if (n > 0) {
                const double step = testing_support::phaseOf(samples[n]) - testing_support::phaseOf(samples[n - 1]);
                EXPECT_LE(std::abs(testing_support::wrapPhase(step)), Pi / 2 * widestGap + kStepSlackRad)
                    << "sps " << sps << " sample " << n;
            }
        }
    }
}

TEST(Gmsk, InsideALongRunOfEqualSymbolsThePhaseFollowsMsk) {
    constexpr double kPhaseToleranceRad = 1e-7;
    constexpr std::size_t kPrefix = 10;
    constexpr std::size_t kRun = 24;
    // Symbols within 3 of a run's ends still feel the neighbours outside the run.
    constexpr std::size_t kSettle = 4;
    for (const std::int32_t runSymbol : {0, 1}) {
        for (const double sps : {8.0, 2.5}) {
            auto symbols = randomBits(kPrefix, 3);
            symbols.insert(symbols.end(), kRun, runSymbol);
            const auto suffix = randomBits(kPrefix, 5);
            symbols.insert(symbols.end(), suffix.begin(), suffix.end());
            const auto gmsk = unwrappedPhase(modulateGmsk(symbols, sps));
            const auto msk = unwrappedPhase(modulateMsk(symbols, sps));
            const auto perSymbol = static_cast<std::size_t>(sps);
            for (std::size_t n = (kPrefix + kSettle) * perSymbol;
                 n < (kPrefix + kRun - kSettle) * perSymbol; ++n) {
                EXPECT_NEAR(testing_support::wrapPhase(gmsk[n] - msk[n]), 0.0, kPhaseToleranceRad)
                    << "run of " << runSymbol << ", sps " << sps << ", sample " << n;
            }
            // The net change over the run: a quarter turn per symbol, as for MSK.
            const std::size_t from = (kPrefix + kSettle) * perSymbol;
            const std::size_t to = (kPrefix + kRun - kSettle) * perSymbol;
            const double expected =
                (runSymbol == 1 ? 1.0 : -1.0) * Pi / 2 * static_cast<double>(kRun - 2 * kSettle);
            EXPECT_NEAR(gmsk[to] - gmsk[from], expected, kPhaseToleranceRad);
        }
    }
}

// Fraction of the power at more than 1.5 symbol rates from the centre, from a Hann-windowed
// periodogram averaged over half-overlapping segments (direct DFT).
double powerFractionBeyond1Point5SymbolRates(const SampleBuffer& samples, double sps) {
    constexpr std::size_t kSegment = 256;
    std::vector<std::complex<double>> twiddle(kSegment);
    std::vector<double> window(kSegment);
    for (std::size_t m = 0; m < kSegment; ++m) {
        twiddle[m] = std::polar(1.0, -2.0 * Pi * static_cast<double>(m) / kSegment);
        window[m] = 0.5 - 0.5 * std::cos(2.0 * Pi * static_cast<double>(m) / kSegment);
    }
    std::vector<double> power(kSegment, 0.0);
    for (std::size_t start = 0; start + kSegment <= samples.size(); start += kSegment / 2) {
        for (std::size_t bin = 0; bin < kSegment; ++bin) {
            std::complex<double> sum = 0.0;
            for (std::size_t m = 0; m < kSegment; ++m) {
                const auto& s = samples[start + m];
                sum += window[m] * std::complex<double>(s.i, s.q) * twiddle[(bin * m) % kSegment];
            }
            power[bin] += std::norm(sum);
        }
    }
    double inside = 0.0;
    double outside = 0.0;
    for (std::size_t bin = 0; bin < kSegment; ++bin) {
        const double signedBin =
            bin < kSegment / 2 ? static_cast<double>(bin) : static_cast<double>(bin) - kSegment;
        const double symbolRates = std::abs(signedBin) * sps / kSegment;
        (symbolRates > 1.5 ? outside : inside) += power[bin];
    }
    return outside / (inside + outside);
}

TEST(Gmsk, SpectrumOutsideOneAndAHalfSymbolRatesIsFarBelowMsk) {
    constexpr double kRequiredSuppressionDb = 15.0;
    constexpr double kSps = 8.0;
    const auto symbols = randomBits(512, 2024);
    const double gmsk = powerFractionBeyond1Point5SymbolRates(modulateGmsk(symbols, kSps), kSps);
    const double msk = powerFractionBeyond1Point5SymbolRates(modulateMsk(symbols, kSps), kSps);
    const double suppressionDb = 10.0 * std::log10(msk / gmsk);
    EXPECT_GE(suppressionDb, kRequiredSuppressionDb)
        << "MSK " << 10.0 * std::log10(msk) << " dB, GMSK " << 10.0 * std::log10(gmsk) << " dB";
}

TEST(Gmsk, NoWholeSampleInASymbolGivesEmptyOutput) {
    EXPECT_TRUE(modulateGmsk({}, 8.0).empty());
    EXPECT_TRUE(modulateGmsk({1, 0, 1}, 0.5).empty());
    EXPECT_TRUE(modulateGmsk({1, 0, 1}, 1e300).empty());
}

}  // namespace
}  // namespace quorvel
