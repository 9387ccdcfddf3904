// The matched filter, its points and their EVM on recordings made by the synthesiser, against
// what is known of them independently: the mapper's own points, and for noise at a given Es/N0
// an MER of that many dB (a unit-energy matched filter passes N0 per symbol).

#include <gtest/gtest.h>

#include <cmath>
#include <complex>

#include "analyzer/SymbolRecovery.h"
#include "support/MemoryReader.h"
#include "support/TempDir.h"
#include "synthesis/SignalSynthesizer.h"

namespace quorvel {
namespace {

// MER of 5000 symbols against noise at a given SNR: the estimate's spread [dB].
constexpr double kMerToleranceDb = 0.3;

struct Made {
    testing_support::MemoryReader reader;
    SampleBuffer points;  // the mapper's
};

Made symbolRecoveryMake(const SignalParameters& p) {
    const testing_support::TempDir folder;
    SignalParameters written = p;
    written.savePath = folder.str();
    RunOptions options;
    options.keepLastSignal = true;
    const GenerationResult r = SignalSynthesizer::seeded(9).generateSignal(written, options);
    std::vector<IqSample> samples;
    for (const ComplexSample& s : r.signal) {
        samples.emplace_back(static_cast<float>(s.i), static_cast<float>(s.q));
    }
    return {testing_support::MemoryReader(std::move(samples)), r.mappedSymbols};
}

SignalParameters shaped(ModulationType type, double samplingRate, double snrDb) {
    SignalParameters p;
    p.modulationType = type;
    p.pskOrder = type == ModulationType::Psk ? 4 : 0;
    p.qamOrder = type == ModulationType::Qam ? 16 : 0;
    p.symbolCount = 5000;
    p.samplingRate = samplingRate;
    p.snrDb = snrDb;
    p.transmitter.pulse = PulseShape::RootRaisedCosine;
    p.transmitter.snrDefinition = SnrDefinition::EsN0;
    return p;
}

struct QualityCase {
    ModulationType type;
    double samplingRate;  // fs / Rs = 8 and 10/3
    double snrDb;         // Es/N0
};

class RrcQuality : public testing::TestWithParam<QualityCase> {};

TEST_P(RrcQuality, MerOfTheMatchedFilterIsTheEsN0) {
    const QualityCase& c = GetParam();
    const SignalParameters p = shaped(c.type, c.samplingRate, c.snrDb);
    const Made made = symbolRecoveryMake(p);
    const SymbolTiming timing = timingOf(p);
    const MatchedFilter filter(made.reader, timing);
    const auto [first, count] = filter.wholeSymbols();
    const auto quality = measureQuality(filter.symbols(first, count), idealPoints(p));
    ASSERT_TRUE(quality);
    EXPECT_NEAR(quality->merDb, c.snrDb, kMerToleranceDb);
    EXPECT_NEAR(quality->evmPercent, 100.0 * std::pow(10.0, -c.snrDb / 20.0),
                0.05 * 100.0 * std::pow(10.0, -c.snrDb / 20.0));
}

INSTANTIATE_TEST_SUITE_P(Schemes, RrcQuality,
                         testing::Values(QualityCase{ModulationType::Psk, 8000.0, 20.0},
                                         QualityCase{ModulationType::Qam, 3333.3333333333335, 25.0},
                                         QualityCase{ModulationType::Oqpsk, 8000.0, 15.0}));

TEST(MatchedFilter, WithoutNoiseItReturnsTheMappersPoints) {
    for (const PulseShape pulse : {PulseShape::RootRaisedCosine, PulseShape::Linear}) {
        SignalParameters p = shaped(ModulationType::Qam, 8000.0, INFINITY);
        p.transmitter.pulse = pulse;
        const Made made = symbolRecoveryMake(p);
        const MatchedFilter filter(made.reader, timingOf(p));
        const auto [first, count] = filter.wholeSymbols();
        const std::vector<IqSample> got = filter.symbols(first, count);
        ASSERT_EQ(got.size(), count);
        double error = 0.0;
        double power = 0.0;
        for (std::size_t k = 0; k < count; ++k) {
            const ComplexSample want = made.points[static_cast<std::size_t>(first) + k];
            error += std::norm(std::complex<double>(got[k]) - std::complex<double>(want.i, want.q));
            power += want.i * want.i + want.q * want.q;
        }
        // EVM below -40 dB: the RRC's own cut to 10 symbols; exact for straight lines.
        EXPECT_LT(10.0 * std::log10(error / power), pulse == PulseShape::Linear ? -100.0 : -40.0);
    }
}

TEST(IdealPoints, EachSchemeHasItsNumberOfDistinctPoints) {
    const struct {
        ModulationType type;
        std::int32_t order;
        std::size_t points;
    } cases[] = {
        {ModulationType::Psk, 8, 8},    {ModulationType::Qam, 64, 64},
        {ModulationType::Apsk, 32, 32}, {ModulationType::Pi4Dqpsk, 0, 8},
        {ModulationType::Oqpsk, 0, 4},  {ModulationType::Gmsk, 0, 0},
    };
    for (const auto& c : cases) {
        SignalParameters p;
        p.modulationType = c.type;
        p.pskOrder = c.type == ModulationType::Psk ? c.order : 0;
        p.qamOrder = c.type == ModulationType::Qam ? c.order : 0;
        p.apskOrder = c.type == ModulationType::Apsk ? c.order : 0;
        EXPECT_EQ(idealPoints(p).size(), c.points) << static_cast<int>(c.type);
    }
}

TEST(TimingProblem, WhatAFilterCannotTakeIsRefusedBeforeItIsBuilt) {
    const auto with = [](double sps, PulseShape pulse, double rolloff, std::int32_t span) {
        SymbolTiming t;
        t.samplesPerSymbol = sps;
        t.pulse = pulse;
        t.rolloff = rolloff;
        t.spanSymbols = span;
        return timingProblem(t).has_value();
    };
    EXPECT_FALSE(with(10.0, PulseShape::RootRaisedCosine, 0.35, 10));
    EXPECT_FALSE(with(1.0, PulseShape::Linear, 0.0, 0));  // a linear pulse has no roll-off or span
    EXPECT_TRUE(with(INFINITY, PulseShape::Linear, 0.35, 10));  // a recorded symbol rate of 0
    EXPECT_TRUE(with(NAN, PulseShape::Linear, 0.35, 10));
    EXPECT_TRUE(with(0.5, PulseShape::Linear, 0.35, 10));
    EXPECT_TRUE(with(1e6, PulseShape::Linear, 0.35, 10));
    EXPECT_TRUE(with(8.0, PulseShape::RaisedCosine, 0.0, 10));
    EXPECT_TRUE(with(8.0, PulseShape::Gaussian, 0.3, 1 << 30));
}

TEST(EyeDiagram, AnOpenEyeOfCleanBpskCrossesTheCentreOnlyBetweenSymbols) {
    SignalParameters p = shaped(ModulationType::Psk, 8000.0, INFINITY);
    p.pskOrder = 2;
    const Made made = symbolRecoveryMake(p);
    const SymbolTiming timing = timingOf(p);
    const MatchedFilter filter(made.reader, timing);
    const EyeDensity eye = eyeDiagram(filter, timing, 20, 200, 65, 41, false);
    ASSERT_EQ(eye.hits.size(), 65u * 41u);
    // At the symbol instant (the middle column) every trace is near +-1, none near 0.
    const auto hitsAt = [&](int x, int y) {
        return eye.hits[static_cast<std::size_t>(y * 65 + x)];
    };
    EXPECT_EQ(hitsAt(32, 20), 0u);
    std::uint32_t middle = 0;
    for (int y = 0; y < 41; ++y) {
        middle += hitsAt(32, y);
    }
    EXPECT_EQ(middle, 200u);
    EXPECT_GT(eye.limit, 1.1);  // above the points at +-1, where the traces overshoot between them
}

}  // namespace
}  // namespace quorvel
