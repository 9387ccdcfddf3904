// OFDM against its definition: each OFDM symbol's prefix is its own tail, one lit subcarrier is a
// tone at k fs / N, and a receiver of the test's own (a naive DFT, not FFTW) finds every
// subcarrier symbol on its bin and nothing on the others.

#include "modulation/SchemeCatalog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>

#include "dsp/DirectDft.h"
#include "modulation/Ofdm.h"
#include "support/SameBytes.h"
#include "synthesis/RunCheck.h"

namespace quorvel {
namespace {

constexpr double kOfdmFrequencyToleranceHz = 1e-6;
constexpr double kEmptyBinTolerance = 1e-9;   // of a unit-power symbol's bins
constexpr double kOfdmPowerTolerance = 0.05;      // of the mean power over a few thousand samples

struct Frame {
    int fftSize;
    double cpRatio;
    int active;  // 0: the default
    std::string subcarriers;
};

SignalParameters ofdm(const Frame& f, std::int32_t symbols) {
    SignalParameters p;
    p.modulationType = ModulationType::Ofdm;
    for (const WaveformParameter& parameter : findScheme(ModulationType::Ofdm)->parameters) {
        if (parameter.isWord()) {
            p.values[std::string(parameter.name)] = *parameter.fromWord(f.subcarriers);
        }
    }
    p.values["fft_size"] = f.fftSize;
    p.values["cp_ratio"] = f.cpRatio;
    p.values["active"] = f.active;
    p.symbolCount = symbols;
    return p;
}

SymbolSequence ofdmRandomSymbols(std::size_t count, std::int32_t order, unsigned seed) {
    std::mt19937 engine(seed);
    SymbolSequence s(count);
    for (auto& index : s) {
        index = static_cast<std::int32_t>(engine() % static_cast<unsigned>(order));
    }
    return s;
}

// The default active count, about 5/6 of N, even.
int activeOf(const Frame& f) {
    return f.active != 0 ? f.active : 2 * static_cast<int>(std::lround(5.0 * f.fftSize / 12.0));
}

// The signed frequency bin of subcarrier j: floor(K/2) below DC, then the rest above it.
int signedBin(int j, int active) {
    const int below = active / 2;
    return j < below ? j - below : j - below + 1;
}

class OfdmFrames : public ::testing::TestWithParam<Frame> {};

TEST_P(OfdmFrames, EachPrefixIsItsSymbolsTailAndTheFileHasItsStatedLength) {
    const Frame f = GetParam();
    const int k = activeOf(f);
    const auto symbols = static_cast<std::int32_t>(3 * k + 1);  // the last OFDM symbol short
    const SignalParameters p = ofdm(f, symbols);
    const SampleBuffer x = mapSymbols(ofdmRandomSymbols(static_cast<std::size_t>(symbols), 4, 7), p);
    const auto prefix = static_cast<std::size_t>(std::lround(f.cpRatio * f.fftSize));
    const std::size_t period = static_cast<std::size_t>(f.fftSize) + prefix;
    ASSERT_EQ(x.size(), 4 * period);
    EXPECT_EQ(samplesPerFile(p), static_cast<double>(x.size()));
    for (std::size_t start = 0; start < x.size(); start += period) {
        for (std::size_t m = 0; m < prefix; ++m) {
            ASSERT_EQ(x[start + m], x[start + m + static_cast<std::size_t>(f.fftSize)]) << start << " " << m;
        }
    }
}

TEST_P(OfdmFrames, ANaiveDftFindsEverySubcarrierSymbolAndNothingElse) {
    const Frame f = GetParam();
    const int k = activeOf(f);
    const int order = std::stoi(f.subcarriers.substr(4));  // "psk:M"
    const std::size_t n = static_cast<std::size_t>(f.fftSize);
    const auto count = static_cast<std::size_t>(2 * k);
    const SymbolSequence sent = ofdmRandomSymbols(count, order, 11);
    const SampleBuffer x = mapSymbols(sent, ofdm(f, static_cast<std::int32_t>(count)));
    const std::size_t period = x.size() / 2;
    for (std::size_t s = 0; s < 2; ++s) {
        const SampleBuffer body(x.begin() + static_cast<std::ptrdiff_t>(s * period + period - n),
                                x.begin() + static_cast<std::ptrdiff_t>(s * period + period));
        const SampleBuffer bins = testing_support::directDft(body);
        std::vector<bool> lit(n, false);
        for (int j = 0; j < k; ++j) {
            const std::size_t bin = static_cast<std::size_t>((signedBin(j, k) + f.fftSize) % f.fftSize);
            lit[bin] = true;
            // PSK index m sits at angle 2 pi m / M.
            const double angle = std::atan2(bins[bin].q, bins[bin].i);
            const long steps = std::lround(angle / (2.0 * Pi / order));
            EXPECT_EQ((steps % order + order) % order, sent[s * static_cast<std::size_t>(k) + static_cast<std::size_t>(j)])
                << "symbol " << s << " subcarrier " << j;
        }
        for (std::size_t bin = 0; bin < n; ++bin) {
            if (!lit[bin]) {
                EXPECT_LT(std::hypot(bins[bin].i, bins[bin].q), kEmptyBinTolerance * std::sqrt(double(n))) << bin;
            }
        }
    }
}

// OOK's index 0 is the origin: one index 1 lights one subcarrier alone.
TEST_P(OfdmFrames, OneLitSubcarrierIsAToneAtItsBinTimesTheSpacing) {
    Frame f = GetParam();
    f.subcarriers = "ook:2";
    const int k = activeOf(f);
    constexpr double kSamplingRateHz = 30720.0;
    for (const int j : {0, k / 2 - 1, k / 2, k - 1}) {
        SymbolSequence symbols(static_cast<std::size_t>(k), 0);
        symbols[static_cast<std::size_t>(j)] = 1;
        SignalParameters p = ofdm(f, k);
        p.samplingRate = kSamplingRateHz;
        const SampleBuffer x = mapSymbols(symbols, p);
        for (std::size_t m = 1; m < x.size(); ++m) {
            const ComplexSample step = x[m] * ComplexSample{x[m - 1].i, -x[m - 1].q};
            const double hz = std::atan2(step.q, step.i) / (2.0 * Pi) * kSamplingRateHz;
            // The tone runs whole cycles in N samples, so the prefix joins the body without a step.
            ASSERT_NEAR(hz, signedBin(j, k) * kSamplingRateHz / f.fftSize, kOfdmFrequencyToleranceHz) << j << " " << m;
        }
    }
}

// The mapper fed piece by piece gives the whole sequence's samples, however the pieces fall.
TEST_P(OfdmFrames, PiecesGiveTheWholeSequencesSamples) {
    const Frame f = GetParam();
    const int k = activeOf(f);
    const auto count = static_cast<std::size_t>(3 * k + 5);
    const SymbolSequence symbols = ofdmRandomSymbols(count, 4, 3);
    const SignalParameters p = ofdm(f, static_cast<std::int32_t>(count));
    const SampleBuffer whole = mapSymbols(symbols, p);
    for (const std::size_t piece : {std::size_t{1}, std::size_t{7}, static_cast<std::size_t>(k + 1)}) {
        const auto mapper = makeBlockMapper(p);
        SampleBuffer out;
        for (std::size_t at = 0; at < count; at += piece) {
            mapper->append(SymbolSequence(symbols.begin() + static_cast<std::ptrdiff_t>(at),
                                          symbols.begin() + static_cast<std::ptrdiff_t>(std::min(at + piece, count))),
                           out);
        }
        EXPECT_TRUE(testing_support::sameValues(out, whole)) << piece;
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, OfdmFrames,
                         ::testing::Values(Frame{64, 0.25, 0, "psk:4"}, Frame{72, 0.0, 0, "psk:8"},
                                         Frame{180, 1.0 / 9.0, 0, "psk:2"}, Frame{300, 0.07, 298, "psk:4"},
                                         Frame{128, 0.125, 5, "psk:16"}));

// Any subcarrier scheme gives unit mean power, whatever its own points' power.
TEST(Ofdm, MeanPowerIsOneForEverySubcarrierScheme) {
    for (const std::string sub : {"psk:4", "qam:16", "qam:32", "apsk:64", "ask:4", "pam:8", "ook:2"}) {
        const Frame f{256, 0.25, 0, sub};
        const std::int32_t order = std::stoi(sub.substr(sub.find(':') + 1));
        const auto count = static_cast<std::size_t>(40 * activeOf(f));
        const SampleBuffer x = mapSymbols(ofdmRandomSymbols(count, order, 5), ofdm(f, static_cast<std::int32_t>(count)));
        double sum = 0.0;
        for (const ComplexSample& s : x) {
            sum += s.i * s.i + s.q * s.q;
        }
        EXPECT_NEAR(sum / static_cast<double>(x.size()), 1.0, kOfdmPowerTolerance) << sub;
    }
}

}  // namespace
}  // namespace quorvel
