// Every row's stated occupied band against the 99 % band measured on a generated signal: the
// width outside which 0.5 % of the power lies on either side, from averaged Hann-windowed
// periodograms.

#include "modulation/SchemeCatalog.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "dsp/FourierTransform.h"
#include "support/TempDir.h"
#include "synthesis/RunCheck.h"
#include "synthesis/SignalSynthesizer.h"

namespace quorvel {
namespace {

constexpr std::size_t kBins = 1024;

double occupiedBandMeasuredBand(const SampleBuffer& signal, double samplingRateHz) {
    FourierTransform transform(kBins);
    std::vector<double> power(kBins, 0.0);  // from -fs/2 up
    SampleBuffer segment(kBins);
    for (std::size_t start = 0; start + kBins <= signal.size(); start += kBins / 2) {
        for (std::size_t n = 0; n < kBins; ++n) {
            const double window = 0.5 - 0.5 * std::cos(2.0 * Pi * static_cast<double>(n) / kBins);
            segment[n] = {window * signal[start + n].i, window * signal[start + n].q};
        }
        const auto bins = transform.forward(segment);
        for (std::size_t k = 0; k < kBins; ++k) {
            power[(k + kBins / 2) % kBins] += bins[2 * k] * bins[2 * k] + bins[2 * k + 1] * bins[2 * k + 1];
        }
    }
    double total = 0.0, sum = 0.0, low = -1.0;
    for (const double p : power) {
        total += p;
    }
    for (std::size_t k = 0; k < kBins; ++k) {
        sum += power[k];
        low = low < 0.0 && sum >= 0.005 * total ? static_cast<double>(k) : low;
        if (sum >= 0.995 * total) {
            return (static_cast<double>(k) - low) * samplingRateHz / kBins;
        }
    }
    return samplingRateHz;
}

struct OccupiedBandBandCase {
    const char* name;
    ModulationType type;
    std::int32_t order;  // 0: the row's default
    double samplesPerSymbol;
    PulseShape pulse;
    double rolloff;
    WaveformValues values;
};

class OccupiedBand : public ::testing::TestWithParam<OccupiedBandBandCase> {};

// Within this window of the stated band (plus four bins for the window's own width) the two
// agree; Carson's rule is an upper bound for the continuous-phase families, hence the low end.
constexpr double kLowestRatio = 0.75;
constexpr double kHighestRatio = 1.10;

TEST_P(OccupiedBand, StatedBandHoldsTheMeasuredNinetyNinePercent) {
    const OccupiedBandBandCase& c = GetParam();
    const testing_support::TempDir dir;
    SignalParameters p;
    p.modulationType = c.type;
    const Scheme& scheme = *findScheme(c.type);
    setChosenOrder(p, c.order != 0 || !scheme.hasOrders() ? c.order : scheme.orders[scheme.defaultOrder].value);
    p.values = c.values;
    p.samplingRate = 64000.0;
    p.symbolRate = p.samplingRate / c.samplesPerSymbol;
    // About 2^18 samples, whatever sets a symbol's length (OFDM's frame holds many symbols).
    p.symbolCount = 4096;
    p.symbolCount = static_cast<std::int32_t>(262144 / (ownsLength(p) ? samplesPerFile(p) / 4096 : c.samplesPerSymbol));
    p.snrDb = INFINITY;
    p.outputFormat = OutputFormat::Cf32;
    p.savePath = dir.str();
    p.transmitter.pulse = c.pulse;
    p.transmitter.rolloff = c.rolloff;
    const GenerationResult result = SignalSynthesizer::seeded(5).generateSignal(p);
    ASSERT_FALSE(result.refused()) << result.refusal;
    const double stated = occupiedBandwidthHz(p);
    const double measured = occupiedBandMeasuredBand(result.signal, p.samplingRate);
    const double bins = 4.0 * p.samplingRate / kBins;
    EXPECT_GE(measured, kLowestRatio * stated - bins) << "stated " << stated;
    EXPECT_LE(measured, kHighestRatio * stated + bins) << "stated " << stated;
}

constexpr PulseShape kLine = PulseShape::Linear, kRrc = PulseShape::RootRaisedCosine;
INSTANTIATE_TEST_SUITE_P(
    EveryRow, OccupiedBand,
    ::testing::Values(OccupiedBandBandCase{"PskRrc", ModulationType::Psk, 4, 16, kRrc, 0.35, {}},
                      OccupiedBandBandCase{"PskRaisedCosine", ModulationType::Psk, 8, 16, PulseShape::RaisedCosine, 0.8, {}},
                      OccupiedBandBandCase{"QamGaussian", ModulationType::Qam, 16, 16, PulseShape::Gaussian, 0.5, {}},
                      OccupiedBandBandCase{"QamLines", ModulationType::Qam, 64, 16, kLine, 0.35, {}},
                      OccupiedBandBandCase{"Oqpsk", ModulationType::Oqpsk, 0, 16, kRrc, 0.5, {}},
                      OccupiedBandBandCase{"Pi4Dqpsk", ModulationType::Pi4Dqpsk, 0, 16, kRrc, 0.25, {}},
                      OccupiedBandBandCase{"Apsk", ModulationType::Apsk, 32, 16, kRrc, 0.2, {}},
                      OccupiedBandBandCase{"Ook", ModulationType::Ook, 2, 16, kRrc, 0.35, {}},
                      OccupiedBandBandCase{"Ask", ModulationType::Ask, 8, 16, kLine, 0.35, {}},
                      OccupiedBandBandCase{"Pam", ModulationType::Pam, 16, 16, kRrc, 0.35, {}},
                      OccupiedBandBandCase{"Fsk", ModulationType::Fsk, 4, 128, kLine, 0.35, {}},
                      OccupiedBandBandCase{"Msk", ModulationType::Msk, 0, 32, kLine, 0.35, {}},
                      OccupiedBandBandCase{"Gmsk", ModulationType::Gmsk, 0, 32, kLine, 0.35, {}},
                      OccupiedBandBandCase{"Tone", ModulationType::Tone, 0, 16, kLine, 0.35, {{"tone", 0.0}}},
                      OccupiedBandBandCase{"Cpfsk", ModulationType::Cpfsk, 4, 32, kLine, 0.35, {{"mod_index", 0.5}}},
                      OccupiedBandBandCase{"Gfsk", ModulationType::Gfsk, 2, 32, kLine, 0.35, {{"bt", 0.5}}},
                      OccupiedBandBandCase{"Gfsk8", ModulationType::Gfsk, 8, 32, kLine, 0.35, {{"mod_index", 0.3}}},
                      OccupiedBandBandCase{"Ofdm", ModulationType::Ofdm, 0, 16, kLine, 0.35, {{"fft_size", 256.0}}},
                      OccupiedBandBandCase{"Lfm", ModulationType::Lfm, 0, 16, kLine, 0.35, {{"chirp_bandwidth", 20000.0}}},
                      OccupiedBandBandCase{"Chirpss", ModulationType::Chirpss, 0, 16, kLine, 0.35, {{"chirp_bandwidth", 16000.0}}}),
    [](const ::testing::TestParamInfo<OccupiedBandBandCase>& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace quorvel
