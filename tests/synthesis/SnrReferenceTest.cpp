// Noise against the waveform's nominal power: on a long random signal the nominal power is the
// power the signal turns out to have, so the noise measured against the signal's own power
// matches the SNR asked for; and a file's noise no longer depends on its length.
#include <gtest/gtest.h>

#include <cmath>

#include "modulation/SchemeCatalog.h"
#include "support/SameBytes.h"
#include "support/TempDir.h"
#include "synthesis/SignalSynthesizer.h"

namespace quorvel {
namespace {

constexpr double kSnrReferenceToleranceDb = 0.1;
constexpr double kSnrReferenceSamples = 200000;

struct SnrReferenceCase {
    const char* name;
    ModulationType type;
    std::int32_t order;
    PulseShape pulse;
    double samplingRate;  // the symbol rate is 1000 Hz
};

SignalParameters parametersOf(const SnrReferenceCase& c, const std::string& folder) {
    SignalParameters p;
    p.modulationType = c.type;
    setChosenOrder(p, c.order);
    p.symbolRate = 1000;
    p.samplingRate = c.samplingRate;
    p.symbolCount = static_cast<std::int32_t>(kSnrReferenceSamples * p.symbolRate / p.samplingRate);
    p.savePath = folder;
    p.outputFormat = OutputFormat::Cf32;
    p.transmitter.pulse = c.pulse;
    p.transmitter.snrReference = SnrReference::Nominal;
    return p;
}

TEST(SnrReference, NominalNoiseMatchesTheMeasuredPower) {
    // Zero-mean and offset constellations (OOK), straight lines at whole and fractional samples
    // per symbol, each pulse, and the schemes that make their samples themselves.
    const SnrReferenceCase cases[] = {
        {"psk4 lines", ModulationType::Psk, 4, PulseShape::Linear, 8000},
        {"psk8 lines 2.5", ModulationType::Psk, 8, PulseShape::Linear, 2500},
        {"pi/4 lines", ModulationType::Pi4Dqpsk, 0, PulseShape::Linear, 4000},
        {"ook lines", ModulationType::Ook, 2, PulseShape::Linear, 5000},
        {"ook rrc", ModulationType::Ook, 2, PulseShape::RootRaisedCosine, 8000},
        {"qam16 rrc", ModulationType::Qam, 16, PulseShape::RootRaisedCosine, 8000},
        {"apsk32 rc", ModulationType::Apsk, 32, PulseShape::RaisedCosine, 4000},
        {"oqpsk gaussian", ModulationType::Oqpsk, 0, PulseShape::Gaussian, 6000},
        {"oqpsk lines", ModulationType::Oqpsk, 0, PulseShape::Linear, 8000},
        {"qam64 equal rates", ModulationType::Qam, 64, PulseShape::Linear, 1000},
        {"gmsk", ModulationType::Gmsk, 0, PulseShape::Linear, 8000},
    };
    for (const SnrReferenceCase& c : cases) {
        testing_support::TempDir dir;
        SignalParameters p = parametersOf(c, dir.str());
        p.snrDb = 10.0;
        const auto noisy = SignalSynthesizer::seeded(5).generateSignal(p);
        p.snrDb = INFINITY;
        const auto clean = SignalSynthesizer::seeded(5).generateSignal(p);
        ASSERT_TRUE(!noisy.refused() && !clean.refused()) << c.name << noisy.refusal << clean.refusal;
        ASSERT_EQ(noisy.signal.size(), clean.signal.size()) << c.name;
        double noise = 0.0, signal = 0.0;
        for (std::size_t n = 0; n < clean.signal.size(); ++n) {
            const double di = noisy.signal[n].i - clean.signal[n].i, dq = noisy.signal[n].q - clean.signal[n].q;
            noise += di * di + dq * dq;
            signal += clean.signal[n].i * clean.signal[n].i + clean.signal[n].q * clean.signal[n].q;
        }
        EXPECT_NEAR(10 * std::log10(noise / signal), -10.0, kSnrReferenceToleranceDb) << c.name;
    }
}

TEST(SnrReference, ALongerFileBeginsWithTheShorterOne) {
    for (const double snrDb : {0.0, 20.0}) {
        testing_support::TempDir dir;
        SignalParameters p = parametersOf({"", ModulationType::Qam, 16, PulseShape::Linear, 10000}, dir.str());
        p.snrDb = snrDb;
        p.symbolCount = 300;
        const auto shorter = SignalSynthesizer::seeded(3).generateSignal(p);
        p.symbolCount = 3000;
        const auto longer = SignalSynthesizer::seeded(3).generateSignal(p);
        ASSERT_TRUE(!shorter.refused() && !longer.refused());
        // The last symbol period of the shorter file holds its last point instead of drawing the next.
        const std::size_t common = 299 * 10;
        EXPECT_TRUE(testing_support::sameValues(std::span(longer.signal).first(common),
                                                std::span(shorter.signal).first(common)))
            << snrDb;
    }
}

}  // namespace
}  // namespace quorvel
