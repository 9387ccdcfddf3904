// Every row's stated occupied band against the 99 % power band measured on a generated signal:
// the band outside which 0.5 % of the power lies on either side, from an averaged periodogram.

#include "modulation/SchemeCatalog.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <string>
#include <vector>

#include "support/TempDir.h"
#include "synthesis/RunCheck.h"
#include "synthesis/SignalSynthesizer.h"

namespace quorvel {
namespace {

constexpr std::size_t kFftLength = 1024;

// In-place radix-2 transform of a power-of-two length.
void transform(std::vector<std::complex<double>>& x) {
    const std::size_t n = x.size();
    for (std::size_t i = 1, j = 0; i < n; ++i) {
        std::size_t bit = n >> 1;
        for (; (j & bit) != 0; bit >>= 1) {
            j ^= bit;
        }
        j |= bit;
        if (i < j) {
            std::swap(x[i], x[j]);
        }
    }
    for (std::size_t half = 1; half < n; half *= 2) {
        const std::complex<double> turn = std::polar(1.0, -Pi / static_cast<double>(half));
        for (std::size_t start = 0; start < n; start += 2 * half) {
            std::complex<double> w = 1.0;
            for (std::size_t k = 0; k < half; ++k, w *= turn) {
                const auto odd = w * x[start + k + half];
                x[start + k + half] = x[start + k] - odd;
                x[start + k] += odd;
            }
        }
    }
}

// Hann-windowed periodograms of half-overlapping segments, averaged, summed from -fs/2 up: the
// width between the frequencies where 0.5 % and 99.5 % of the power is reached [Hz].
double measuredBand(const SampleBuffer& signal, double samplingRateHz) {
    std::vector<double> power(kFftLength, 0.0);
    std::vector<std::complex<double>> segment(kFftLength);
    for (std::size_t start = 0; start + kFftLength <= signal.size(); start += kFftLength / 2) {
        for (std::size_t n = 0; n < kFftLength; ++n) {
            const double window = 0.5 - 0.5 * std::cos(2.0 * Pi * static_cast<double>(n) / kFftLength);
            segment[n] = window * std::complex<double>(signal[start + n].i, signal[start + n].q);
        }
        transform(segment);
        for (std::size_t bin = 0; bin < kFftLength; ++bin) {
            power[(bin + kFftLength / 2) % kFftLength] += std::norm(segment[bin]);  // -fs/2 first
        }
    }
    double total = 0.0;
    for (const double p : power) {
        total += p;
    }
    double sum = 0.0;
    double low = 0.0;
    for (std::size_t bin = 0; bin < kFftLength; ++bin) {
        const double before = sum;
        sum += power[bin];
        if (before < 0.005 * total && sum >= 0.005 * total) {
            low = static_cast<double>(bin);
        }
        if (before < 0.995 * total && sum >= 0.995 * total) {
            return (static_cast<double>(bin) - low) * samplingRateHz / kFftLength;
        }
    }
    return samplingRateHz;
}

struct BandCase {
    const char* name;
    ModulationType type;
    std::int32_t order;  // 0: the row's default
    double samplesPerSymbol;
    PulseShape pulse;
    double rolloff;
    WaveformValues values;
};

class OccupiedBand : public ::testing::TestWithParam<BandCase> {};

// The stated band is a closed form or a table value; a measurement within this window of it
// (plus four bins for the window's own width) is taken as agreeing. Carson's rule is an upper
// bound for the continuous-phase families, hence the low end.
constexpr double kLowestRatio = 0.75;
constexpr double kHighestRatio = 1.10;

TEST_P(OccupiedBand, StatedBandHoldsTheMeasuredNinetyNinePercent) {
    const BandCase& c = GetParam();
    const testing_support::TempDir dir;
    SignalParameters p;
    p.modulationType = c.type;
    if (c.order != 0) {
        setChosenOrder(p, c.order);
    } else if (const Scheme* scheme = findScheme(c.type); scheme->hasOrders()) {
        setChosenOrder(p, scheme->orders[scheme->defaultOrder].value);
    }
    p.values = c.values;
    p.samplingRate = 64000.0;
    p.symbolRate = p.samplingRate / c.samplesPerSymbol;
    p.symbolCount = 1;
    // About 2^18 samples, whatever sets a symbol's length.
    const double perSymbol = ownsLength(p) ? samplesPerFile(p) : c.samplesPerSymbol;
    p.symbolCount = static_cast<std::int32_t>(262144 / perSymbol);
    p.snrDb = INFINITY;
    p.outputFormat = OutputFormat::Cf32;
    p.savePath = dir.str();
    p.transmitter.pulse = c.pulse;
    p.transmitter.rolloff = c.rolloff;
    const GenerationResult result = SignalSynthesizer::seeded(5).generateSignal(p);
    ASSERT_FALSE(result.refused()) << result.refusal;
    const double stated = occupiedBandwidthHz(p);
    const double measured = measuredBand(result.signal, p.samplingRate);
    const double bin = p.samplingRate / kFftLength;
    EXPECT_GE(measured, kLowestRatio * stated - 4.0 * bin) << "stated " << stated;
    EXPECT_LE(measured, kHighestRatio * stated + 4.0 * bin) << "stated " << stated;
}

const PulseShape kLine = PulseShape::Linear;
const PulseShape kRrc = PulseShape::RootRaisedCosine;
INSTANTIATE_TEST_SUITE_P(
    EveryRow, OccupiedBand,
    ::testing::Values(
        BandCase{"PskRrc", ModulationType::Psk, 4, 16, kRrc, 0.35, {}},
        BandCase{"PskRaisedCosine", ModulationType::Psk, 8, 16, PulseShape::RaisedCosine, 0.8, {}},
        BandCase{"QamGaussian", ModulationType::Qam, 16, 16, PulseShape::Gaussian, 0.5, {}},
        BandCase{"QamLines", ModulationType::Qam, 64, 16, kLine, 0.35, {}},
        BandCase{"Oqpsk", ModulationType::Oqpsk, 0, 16, kRrc, 0.5, {}},
        BandCase{"Pi4Dqpsk", ModulationType::Pi4Dqpsk, 0, 16, kRrc, 0.25, {}},
        BandCase{"Apsk", ModulationType::Apsk, 32, 16, kRrc, 0.2, {}},
        BandCase{"Ook", ModulationType::Ook, 2, 16, kRrc, 0.35, {}},
        BandCase{"Ask", ModulationType::Ask, 8, 16, kLine, 0.35, {}},
        BandCase{"Pam", ModulationType::Pam, 16, 16, kRrc, 0.35, {}},
        BandCase{"Fsk", ModulationType::Fsk, 4, 128, kLine, 0.35, {}},
        BandCase{"Msk", ModulationType::Msk, 0, 32, kLine, 0.35, {}},
        BandCase{"Gmsk", ModulationType::Gmsk, 0, 32, kLine, 0.35, {}},
        BandCase{"Tone", ModulationType::Tone, 0, 16, kLine, 0.35, {{"tone", 0.0}}},
        BandCase{"Cpfsk", ModulationType::Cpfsk, 4, 32, kLine, 0.35, {{"mod_index", 0.5}}},
        BandCase{"Gfsk", ModulationType::Gfsk, 2, 32, kLine, 0.35, {{"bt", 0.5}}},
        BandCase{"Gfsk8", ModulationType::Gfsk, 8, 32, kLine, 0.35, {{"mod_index", 0.3}}},
        BandCase{"Lfm", ModulationType::Lfm, 0, 16, kLine, 0.35, {{"chirp_bandwidth", 20000.0}}},
        BandCase{"Chirpss", ModulationType::Chirpss, 0, 16, kLine, 0.35, {{"chirp_bandwidth", 16000.0}}}),
    [](const ::testing::TestParamInfo<BandCase>& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace quorvel
