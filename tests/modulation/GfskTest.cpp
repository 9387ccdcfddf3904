// GFSK against its definition: unit magnitude, no phase jump beyond the largest step, and within
// a long run of one level the instantaneous frequency settles at level h Rs / 2.

#include "modulation/SchemeCatalog.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "modulation/PointChecks.h"

namespace quorvel {
namespace {

// arg(b conj(a)): the phase step from a to b [rad].
double gfskPhaseStep(const ComplexSample& a, const ComplexSample& b) {
    return std::atan2(b.q * a.i - b.i * a.q, b.i * a.i + b.q * a.q);
}

TEST(Gfsk, SettlesAtEachLevelsDeviationWithoutAPhaseJump) {
    struct Case {
        std::int32_t order;
        double h;
        double bt;
        double samplingRateHz;
        double symbolRateHz;
    };
    const Case cases[] = {{2, 0.5, 0.3, 8000, 1000},  {4, 0.5, 0.5, 16000, 1000}, {8, 0.3, 0.1, 32000, 2000},
                          {16, 0.25, 1.0, 64000, 1000}, {2, 1.0, 2.0, 10000, 1250}};
    // Runs long enough that the middle symbols' neighbours all hold the run's level at the
    // narrowest filter (BT 0.1 spreads a pulse over about +-6 symbols).
    constexpr std::size_t kRun = 16;
    for (const Case& c : cases) {
        SignalParameters p;
        p.modulationType = ModulationType::Gfsk;
        setChosenOrder(p, c.order);
        p.values = {{"mod_index", c.h}, {"bt", c.bt}};
        p.samplingRate = c.samplingRateHz;
        p.symbolRate = c.symbolRateHz;
        const auto perSymbol = static_cast<std::size_t>(c.samplingRateHz / c.symbolRateHz);
        SymbolSequence symbols;
        for (std::int32_t level = 0; level < c.order; ++level) {
            symbols.insert(symbols.end(), kRun, (level * 5 + 3) % c.order);
        }
        p.symbolCount = static_cast<std::int32_t>(symbols.size());
        const SampleBuffer samples = mapSymbols(symbols, p);
        ASSERT_EQ(samples.size(), symbols.size() * perSymbol);
        const std::string context = std::to_string(c.order) + "-GFSK h " + std::to_string(c.h) + " BT " +
                                    std::to_string(c.bt);
        const double largestStep = Pi * c.h * (c.order - 1) / static_cast<double>(perSymbol);
        double peakHz = 0.0;
        for (std::size_t n = 0; n + 1 < samples.size(); ++n) {
            EXPECT_NEAR(testing_support::magnitudeOf(samples[n]), 1.0, testing_support::kPointTolerance) << context;
            const double step = gfskPhaseStep(samples[n], samples[n + 1]);
            ASSERT_LE(std::abs(step), largestStep * (1.0 + 1e-3)) << context << ", sample " << n;
            const std::size_t symbol = n / perSymbol;
            if (symbol % kRun == kRun / 2) {
                const double level = 2.0 * symbols[symbol] - (c.order - 1);
                const double measuredHz = step / (2.0 * Pi) * c.samplingRateHz;
                EXPECT_NEAR(measuredHz, level * c.h * c.symbolRateHz / 2.0, 1e-3 * c.symbolRateHz)
                    << context << ", sample " << n;
                peakHz = std::max(peakHz, std::abs(measuredHz));
            }
        }
        EXPECT_NEAR(peakHz, (c.order - 1) * c.h * c.symbolRateHz / 2.0, 1e-3 * c.symbolRateHz) << context;
    }
}

}  // namespace
}  // namespace quorvel
