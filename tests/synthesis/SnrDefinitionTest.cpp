// The noise each SNR definition adds, measured on 10^6 samples as the difference between a run
// with noise and the same seeded run without it.
#include <gtest/gtest.h>

#include <cmath>

#include "modulation/SchemeCatalog.h"
#include "support/TempDir.h"
#include "synthesis/SignalSynthesizer.h"

namespace quorvel {
namespace {

constexpr double kSnrDefinitionToleranceDb = 0.1;

struct SnrDefinitionCase {
    ModulationType type;
    std::int32_t order;
    SnrDefinition definition;
    PulseShape pulse;
    double expectedNoiseOverSignalDb;  // for an SNR of 10 dB at 8 samples per symbol
};

TEST(SnrDefinition, MeasuredNoiseMatchesEachDefinition) {
    const double sps = 8.0;
    const double bits4 = 10 * std::log10(4.0);  // 16-QAM: 4 bits per symbol
    const double perSymbol = 10 * std::log10(sps);
    for (const SnrDefinitionCase c : {SnrDefinitionCase{ModulationType::Psk, 4, SnrDefinition::PerSample, PulseShape::Linear, -10.0},
                         SnrDefinitionCase{ModulationType::Psk, 4, SnrDefinition::EsN0, PulseShape::RootRaisedCosine, -10.0 + perSymbol},
                         SnrDefinitionCase{ModulationType::Qam, 16, SnrDefinition::EbN0, PulseShape::RootRaisedCosine,
                              -10.0 + perSymbol - bits4},
                         SnrDefinitionCase{ModulationType::Gmsk, 0, SnrDefinition::EbN0, PulseShape::Linear, -10.0 + perSymbol}}) {
        testing_support::TempDir dir;
        SignalParameters p;
        p.modulationType = c.type;
        setChosenOrder(p, c.order);
        p.symbolRate = 1000;
        p.samplingRate = 8000;
        p.symbolCount = 125000;  // 10^6 samples
        p.savePath = dir.str();
        p.outputFormat = OutputFormat::Cf32;
        p.transmitter.snrDefinition = c.definition;
        p.transmitter.pulse = c.pulse;
        p.snrDb = 10.0;
        const auto noisy = SignalSynthesizer::seeded(9).generateSignal(p);
        p.snrDb = INFINITY;
        const auto clean = SignalSynthesizer::seeded(9).generateSignal(p);
        ASSERT_TRUE(!noisy.refused() && !clean.refused()) << noisy.refusal << clean.refusal;
        ASSERT_EQ(noisy.signal.size(), clean.signal.size());
        double noise = 0.0, signal = 0.0;
        for (std::size_t n = 0; n < clean.signal.size(); ++n) {
            const double di = noisy.signal[n].i - clean.signal[n].i, dq = noisy.signal[n].q - clean.signal[n].q;
            noise += di * di + dq * dq;
            signal += clean.signal[n].i * clean.signal[n].i + clean.signal[n].q * clean.signal[n].q;
        }
        EXPECT_NEAR(10 * std::log10(noise / signal), c.expectedNoiseOverSignalDb, kSnrDefinitionToleranceDb)
            << static_cast<int>(c.definition);
    }
}

}  // namespace
}  // namespace quorvel
