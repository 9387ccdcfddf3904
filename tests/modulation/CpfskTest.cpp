// CPFSK against its definition: the phase never jumps, and the instantaneous frequency measured
// over each symbol is its level times h Rs / 2, so the peak deviation is (M-1) h Rs / 2.

#include "modulation/SchemeCatalog.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "modulation/PointChecks.h"

namespace quorvel {
namespace {

constexpr double kCpfskFrequencyToleranceHz = 1e-6;

// arg(b conj(a)): the phase step from a to b [rad].
double cpfskPhaseStep(const ComplexSample& a, const ComplexSample& b) {
    return std::atan2(b.q * a.i - b.i * a.q, b.i * a.i + b.q * a.q);
}

TEST(Cpfsk, EachSymbolHoldsItsLevelsFrequencyAndThePhaseRunsOn) {
    struct Case {
        std::int32_t order;
        double h;
        double samplingRateHz;
        double symbolRateHz;
    };
    const Case cases[] = {{2, 0.5, 8000, 1000}, {4, 0.5, 16000, 1000}, {8, 0.3, 32000, 2000},
                          {16, 0.25, 64000, 1000}, {2, 1.0, 10000, 1250}};
    for (const Case& c : cases) {
        SignalParameters p;
        p.modulationType = ModulationType::Cpfsk;
        setChosenOrder(p, c.order);
        p.values["mod_index"] = c.h;
        p.samplingRate = c.samplingRateHz;
        p.symbolRate = c.symbolRateHz;
        const auto perSymbol = static_cast<std::size_t>(c.samplingRateHz / c.symbolRateHz);
        SymbolSequence symbols;
        for (std::int32_t k = 0; k < 3 * c.order; ++k) {
            symbols.push_back((k * 5 + 3) % c.order);
        }
        // Made in pieces of uneven length, as a file is.
        SampleBuffer samples;
        const auto mapper = makeBlockMapper(p);
        for (std::size_t first = 0; first < symbols.size(); first += 7) {
            const auto end = symbols.begin() + static_cast<std::ptrdiff_t>(std::min(first + 7, symbols.size()));
            mapper->append(SymbolSequence(symbols.begin() + static_cast<std::ptrdiff_t>(first), end), samples);
        }
        ASSERT_EQ(samples.size(), symbols.size() * perSymbol);
        const std::string context = std::to_string(c.order) + "-CPFSK h " + std::to_string(c.h);
        double peakHz = 0.0;
        for (std::size_t n = 0; n + 1 < samples.size(); ++n) {
            EXPECT_NEAR(testing_support::magnitudeOf(samples[n]), 1.0, testing_support::kPointTolerance) << context;
            // The step into sample n + 1 belongs to the symbol of sample n.
            const double level = 2.0 * symbols[n / perSymbol] - (c.order - 1);
            const double measuredHz = cpfskPhaseStep(samples[n], samples[n + 1]) / (2.0 * Pi) * c.samplingRateHz;
            EXPECT_NEAR(measuredHz, level * c.h * c.symbolRateHz / 2.0, kCpfskFrequencyToleranceHz)
                << context << ", sample " << n;
            peakHz = std::max(peakHz, std::abs(measuredHz));
        }
        // Every level occurs, the outermost ones too.
        EXPECT_NEAR(peakHz, (c.order - 1) * c.h * c.symbolRateHz / 2.0, kCpfskFrequencyToleranceHz) << context;
    }
}

TEST(Cpfsk, RefusesExactTimingAndATopToneAtHalfTheSamplingRate) {
    SignalParameters p;
    p.modulationType = ModulationType::Cpfsk;
    setChosenOrder(p, 16);
    p.values["mod_index"] = 0.5;
    const Scheme& cpfsk = *findScheme(ModulationType::Cpfsk);
    EXPECT_EQ(cpfsk.refusal(p), std::nullopt);  // 3750 Hz below 5000 Hz
    p.values["mod_index"] = 2.0 / 3.0;          // 5000 Hz
    EXPECT_NE(cpfsk.refusal(p), std::nullopt);
    p.values["mod_index"] = 0.5;
    p.transmitter.exactTiming = true;
    EXPECT_NE(cpfsk.refusal(p), std::nullopt);
}

}  // namespace
}  // namespace quorvel
