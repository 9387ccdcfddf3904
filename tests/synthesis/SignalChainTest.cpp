#include "synthesis/SignalChain.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "channel/ClockOffset.h"
#include "channel/FrequencyOffset.h"
#include "channel/Mixing.h"
#include "channel/MultipathFading.h"
#include "channel/PhaseNoise.h"
#include "channel/RappCompression.h"
#include "channel/Resampling.h"
#include "channel/TimingError.h"
#include "modulation/SchemeCatalog.h"
#include "synthesis/SymbolSources.h"

namespace quorvel {
namespace {

constexpr std::uint32_t kSignalChainSeed = 4242;

// The file before noise through the whole-buffer stages, the readable reference of the chain.
SampleBuffer wholeBufferReference(const SignalParameters& p, SymbolEngine& engine, SampleBuffer& mapped) {
    mapped = mapSymbols(drawSymbols(p.dataSource, alphabetSize(p), p.symbolCount, engine), p);
    SampleBuffer x = mapsOnePointPerSymbol(p.modulationType)
                         ? resampleToSamplingRate(mapped, p.symbolRate, p.samplingRate)
                         : mapped;
    if (p.mixingFrequency != 0.0) {
        x = frequencyShift(x, p.mixingFrequency, p.samplingRate);
    }
    if (p.timingError != 0.0) {
        x = applyTimingError(x, p.timingError, p.symbolRate, p.samplingRate);
    }
    return applyFrequencyOffset(x, p.frequencyOffset, p.samplingRate);
}

struct SignalChainSchemeCase {
    ModulationType type;
    int order;
};

constexpr SignalChainSchemeCase kSchemes[] = {
    {ModulationType::Psk, 8},   {ModulationType::Oqpsk, 0}, {ModulationType::Pi4Dqpsk, 0},
    {ModulationType::Fsk, 4},   {ModulationType::Msk, 0},   {ModulationType::Gmsk, 0},
    {ModulationType::Qam, 32},  {ModulationType::Apsk, 32},
};

SignalParameters settingsFor(const SignalChainSchemeCase& scheme, std::int32_t symbols) {
    SignalParameters p;
    p.modulationType = scheme.type;
    p.pskOrder = scheme.type == ModulationType::Psk ? scheme.order : 0;
    p.fskOrder = scheme.type == ModulationType::Fsk ? scheme.order : 0;
    p.qamOrder = scheme.type == ModulationType::Qam ? scheme.order : 0;
    p.apskOrder = scheme.type == ModulationType::Apsk ? scheme.order : 0;
    p.symbolCount = symbols;
    return p;
}

struct ChannelCase {
    const char* name;
    double samplingRate;
    double timingError;
    double mixing;
    double offset;
};

// Symbol counts whose files end just before, on and after the pieces the stages pull in (4096
// and 16384 values) and the 64 Ki blocks of a run, at 10 and at 3.3333 samples per symbol.
constexpr std::int32_t kSymbolCounts[] = {1, 2, 5, 409, 1638, 6553, 6554, 19661};
// Pulled this many at a time: one sample, odd sizes, the run's block and more.
constexpr std::size_t kReadSizes[] = {1, 4095, 65536, 65537, 1 << 20};

class ChainEqualsWholeBuffer : public testing::TestWithParam<ChannelCase> {};

TEST_P(ChainEqualsWholeBuffer, ForEverySchemeLengthAndBlockSize) {
    const ChannelCase c = GetParam();
    for (const SignalChainSchemeCase& scheme : kSchemes) {
        for (const std::int32_t symbols : kSymbolCounts) {
            SignalParameters p = settingsFor(scheme, symbols);
            p.samplingRate = c.samplingRate;
            p.timingError = c.timingError;
            p.mixingFrequency = c.mixing;
            p.frequencyOffset = c.offset;
            if (scheme.type == ModulationType::Fsk && p.symbolRate > std::floor(p.samplingRate / scheme.order)) {
                continue;  // refused by the run check
            }
            SymbolEngine referenceEngine(kSignalChainSeed);
            SampleBuffer referenceMapped;
            const SampleBuffer expected = wholeBufferReference(p, referenceEngine, referenceMapped);
            const std::size_t readSize = kReadSizes[static_cast<std::size_t>(symbols) % std::size(kReadSizes)];
            const std::string where = std::string(c.name) + " type " + std::to_string(static_cast<int>(scheme.type)) +
                                      " symbols " + std::to_string(symbols) + " read " + std::to_string(readSize);

            SymbolEngine engine(kSignalChainSeed);
            SampleBuffer mapped;
            SignalChain chain(p, engine, &mapped);
            SampleBuffer got;
            SampleBuffer block(readSize);
            while (const std::size_t count = chain.read(block)) {
                got.insert(got.end(), block.begin(), block.begin() + static_cast<std::ptrdiff_t>(count));
            }
            chain.finish();
            ASSERT_EQ(got.size(), expected.size()) << where;
            EXPECT_TRUE(got == expected) << where;
            EXPECT_TRUE(mapped == referenceMapped) << where;
            // The next file's symbols start where the whole-buffer draw left the engine.
            EXPECT_EQ(engine(), referenceEngine()) << where;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Table, ChainEqualsWholeBuffer,
                         testing::Values(ChannelCase{"plain", 10000.0, 0.0, 0.0, 0.0},
                                         ChannelCase{"fractional", 3333.3, 0.0, 0.0, 0.0},
                                         ChannelCase{"equalRates", 1000.0, 0.0, 0.0, 0.0},
                                         ChannelCase{"ahead", 10000.0, 0.7, 1300.0, -250.0},
                                         ChannelCase{"behind", 3333.3, -1.0, 0.0, 77.0},
                                         ChannelCase{"fullAhead", 10000.0, 1.0, -2000.0, 0.0}),
                         [](const auto& caseInfo) { return std::string(caseInfo.param.name); });

// The PRN registers restart in every file and the unoffered source gives zeros: the chain must
// follow, whatever is read of it.
TEST(SignalChain, OtherSourcesMatchTheWholeBuffer) {
    for (const DataSource source : {DataSource::Prn15Lfsr, DataSource::Prn7Lfsr, static_cast<DataSource>(3)}) {
        SignalParameters p = settingsFor(kSchemes[6], 7000);
        p.dataSource = source;
        p.timingError = 0.3;
        SymbolEngine referenceEngine(kSignalChainSeed);
        SampleBuffer ignored;
        const SampleBuffer expected = wholeBufferReference(p, referenceEngine, ignored);
        SymbolEngine engine(kSignalChainSeed);
        SignalChain chain(p, engine, nullptr);
        SampleBuffer got(expected.size() + 5);
        got.resize(chain.read(got));
        EXPECT_TRUE(got == expected) << static_cast<int>(source);
    }
}

// Rates so small that the drift per symbol overflows: the timing error has no finite grid to
// stream on, and the chain re-reads the whole file at once, the stages around it unchanged.
TEST(SignalChain, ATimingErrorOnNoFiniteGridTakesTheWholeFile) {
    for (const SignalChainSchemeCase& scheme : {kSchemes[0], kSchemes[1], kSchemes[4]}) {
        SignalParameters p = settingsFor(scheme, 300);
        p.symbolRate = 1e-310;
        p.samplingRate = 1e-309;
        p.timingError = 0.4;
        p.frequencyOffset = 1e-311;
        ASSERT_FALSE(timingErrorStreams(p.timingError, p.symbolRate, p.samplingRate));
        SymbolEngine referenceEngine(kSignalChainSeed);
        SampleBuffer referenceMapped;
        const SampleBuffer expected = wholeBufferReference(p, referenceEngine, referenceMapped);
        SymbolEngine engine(kSignalChainSeed);
        SampleBuffer mapped;
        SignalChain chain(p, engine, &mapped);
        SampleBuffer got(expected.size() + 5);
        got.resize(chain.read(got));
        chain.finish();
        // Bit for bit: an instant that overflows makes NaN samples, which no == finds equal.
        ASSERT_EQ(got.size(), expected.size());
        EXPECT_EQ(std::memcmp(got.data(), expected.data(), got.size() * sizeof(ComplexSample)), 0)
            << static_cast<int>(scheme.type);
        EXPECT_TRUE(mapped == referenceMapped);
        EXPECT_EQ(engine(), referenceEngine());
    }
}

// Every stage with memory fed in odd pieces, after the stages of the chain before it, on one
// thread and on a thread per stage.
TEST(SignalChain, ImpairmentsMatchTheirWholeBufferForms) {
    SignalParameters p = settingsFor(kSchemes[0], 9001);
    p.timingError = 0.3;
    p.mixingFrequency = 700.0;
    p.impairments = {.amplifier = RappCompression{2.0, 0.7},
                     .clockOffsetPpm = -350.0,
                     .multipath = {{0.0, 0.0, 0.0}, {4.25, -3.0, 60.0}},
                     .fading = Fading{FadingModel::Rician, 2.0, 30.0},
                     .phaseNoise = PhaseNoise{-70.0, 500.0}};
    const ImpairmentSeeds seeds{.fading = 5, .phaseNoise = 6};
    SymbolEngine referenceEngine(kSignalChainSeed);
    SampleBuffer mapped;
    SignalParameters plain = p;
    plain.impairments = {};
    plain.timingError = 0.0;
    plain.mixingFrequency = 0.0;
    SampleBuffer x = applyRappCompression(wholeBufferReference(plain, referenceEngine, mapped), *p.impairments.amplifier);
    x = applyTimingError(frequencyShift(x, p.mixingFrequency, p.samplingRate), p.timingError, p.symbolRate,
                         p.samplingRate);
    x = applyClockOffset(x, p.impairments.clockOffsetPpm);
    x = applyMultipathFading(x, p.impairments.multipath, p.impairments.fading, p.samplingRate, seeds.fading);
    const SampleBuffer expected = applyPhaseNoise(x, *p.impairments.phaseNoise, p.samplingRate, seeds.phaseNoise);
    for (const StageThreading threading : {StageThreading::None, StageThreading::PerChannelStage}) {
        for (const std::size_t readSize : {std::size_t{1}, std::size_t{997}, std::size_t{65537}}) {
            SymbolEngine engine(kSignalChainSeed);
            SignalChain chain(p, engine, nullptr, seeds, threading);
            SampleBuffer got;
            SampleBuffer block(readSize);
            while (const std::size_t count = chain.read(block)) {
                got.insert(got.end(), block.begin(), block.begin() + static_cast<std::ptrdiff_t>(count));
            }
            EXPECT_TRUE(got == expected) << readSize << (threading == StageThreading::None ? "" : " threaded");
        }
    }
}

}  // namespace
}  // namespace quorvel
