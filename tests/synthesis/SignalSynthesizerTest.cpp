#include "synthesis/SignalSynthesizer.h"
#include "support/NonFinite.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>

#include "channel/FrequencyOffset.h"
#include "channel/Mixing.h"
#include "channel/Resampling.h"
#include "channel/TimingError.h"
#include "channel/WhiteGaussianNoise.h"
#include "modulation/Msk.h"
#include "modulation/Psk.h"
#include "support/SameBytes.h"
#include "support/TempDir.h"
#include "synthesis/RunCheck.h"
#include "synthesis/SymbolSources.h"

namespace quorvel {
namespace {

using testing_support::readBytes;
using testing_support::sameBytes;
using testing_support::sameValues;
using testing_support::TempDir;

constexpr std::uint32_t kSignalSynthesizerSeed = 20261208;

SignalParameters signalSynthesizerSmallRun(const TempDir& dir) {
    SignalParameters p;
    p.symbolCount = 50;
    p.savePath = dir.str();
    return p;
}

// The file a buffer must give, formatted independently of the exporter.
std::string expectedFile(const SampleBuffer& samples) {
    std::string text = "Real,Imaginary\r\n";
    char line[64];
    for (const auto& s : samples) {
        std::snprintf(line, sizeof line, "%.6g,%.6g\r\n", s.i, s.q);
        text += line;
    }
    return text;
}

std::size_t filesIn(const TempDir& dir) {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(dir.path()),
                                                  std::filesystem::directory_iterator()));
}

// The symbols and mapper output the pipeline must produce for file k of a seeded PSK run.
SymbolSequence seededSymbolsOfFile(std::int32_t k, std::int32_t m, std::int32_t count) {
    auto seeds = seededSequence(kSignalSynthesizerSeed);
    SymbolEngine engine(seeds());
    SymbolSequence symbols;
    for (std::int32_t n = 1; n <= k; ++n) {
        symbols = drawRandomSymbols(m, count, engine);
    }
    return symbols;
}

// 4-FSK at nine samples per symbol: its outer tones are 1.5 times the symbol rate.
void fourFskAt(SignalParameters& p, double symbolRate) {
    p.modulationType = ModulationType::Fsk;
    p.fskOrder = 4;
    p.symbolRate = symbolRate;
    p.samplingRate = 9.0 * symbolRate;
}

struct SignalSynthesizerRefusalCase {
    const char* name;
    void (*change)(SignalParameters&);
    const char* reasonMentions;

    friend void PrintTo(const SignalSynthesizerRefusalCase& c, std::ostream* os) { *os << c.name; }
};

class Refusals : public testing::TestWithParam<SignalSynthesizerRefusalCase> {};

TEST_P(Refusals, WriteNothingAndSayWhy) {
    TempDir dir;
    SignalParameters p = signalSynthesizerSmallRun(dir);
    GetParam().change(p);
    const auto result = SignalSynthesizer(seededSequence(kSignalSynthesizerSeed)).generateSignal(p);
    EXPECT_TRUE(result.refused());
    EXPECT_TRUE(result.signal.empty());
    EXPECT_TRUE(result.mappedSymbols.empty());
    EXPECT_NE(result.refusal.find(GetParam().reasonMentions), std::string::npos) << result.refusal;
    EXPECT_EQ(filesIn(dir), 0u);
}

using testing_support::kNaN;
using testing_support::kInf;

INSTANTIATE_TEST_SUITE_P(
    Table, Refusals,
    testing::Values(
        SignalSynthesizerRefusalCase{"SymbolRateZero", [](SignalParameters& p) { p.symbolRate = 0.0; }, "symbol rate"},
        SignalSynthesizerRefusalCase{"SymbolRateNegative", [](SignalParameters& p) { p.symbolRate = -5.0; }, "symbol rate"},
        SignalSynthesizerRefusalCase{"SymbolRateNan", [](SignalParameters& p) { p.symbolRate = kNaN; }, "symbol rate"},
        SignalSynthesizerRefusalCase{"SamplingRateZero", [](SignalParameters& p) { p.samplingRate = 0.0; }, "sampling rate"},
        SignalSynthesizerRefusalCase{"SamplingRateInf", [](SignalParameters& p) { p.samplingRate = kInf; }, "sampling rate"},
        SignalSynthesizerRefusalCase{"NoSymbols", [](SignalParameters& p) { p.symbolCount = 0; }, "number of symbols"},
        SignalSynthesizerRefusalCase{"TimingAboveOne", [](SignalParameters& p) { p.timingError = 1.0001; }, "timing error"},
        SignalSynthesizerRefusalCase{"TimingBelowMinusOne", [](SignalParameters& p) { p.timingError = -1.5; }, "timing error"},
        SignalSynthesizerRefusalCase{"TimingNan", [](SignalParameters& p) { p.timingError = kNaN; }, "timing error"},
        SignalSynthesizerRefusalCase{"NoFiles", [](SignalParameters& p) { p.fileCount = 0; }, "file count"},
        SignalSynthesizerRefusalCase{"SnrNan", [](SignalParameters& p) { p.snrDb = kNaN; }, "SNR"},
        SignalSynthesizerRefusalCase{"SnrMinusInf", [](SignalParameters& p) { p.snrDb = -kInf; }, "SNR"},
        SignalSynthesizerRefusalCase{"MixingInf", [](SignalParameters& p) { p.mixingFrequency = kInf; }, "mixing"},
        SignalSynthesizerRefusalCase{"OffsetNan", [](SignalParameters& p) { p.frequencyOffset = kNaN; }, "offset"},
        SignalSynthesizerRefusalCase{"OutputFormatAboveList",
                    [](SignalParameters& p) { p.outputFormat = static_cast<OutputFormat>(6); }, "output format"},
        SignalSynthesizerRefusalCase{"IntegerScaleNegative",
                    [](SignalParameters& p) {
                        p.outputFormat = OutputFormat::Ci16;
                        p.integerScale = -1.0;
                    },
                    "scale"},
        SignalSynthesizerRefusalCase{"OutputFormatNegative",
                    [](SignalParameters& p) { p.outputFormat = static_cast<OutputFormat>(-1); }, "output format"},
        SignalSynthesizerRefusalCase{"UnknownType", [](SignalParameters& p) { p.modulationType = static_cast<ModulationType>(99); },
                    "modulation type"},
        SignalSynthesizerRefusalCase{"PskOrderZero", [](SignalParameters& p) { p.pskOrder = 0; }, "order"},
        SignalSynthesizerRefusalCase{"AskOrderNotOffered",
                    [](SignalParameters& p) {
                        p.modulationType = ModulationType::Ask;
                        p.pskOrder = 0;
                        p.order = 6;
                    },
                    "order"},
        SignalSynthesizerRefusalCase{"ToneAboveHalfTheSamplingRate",
                    [](SignalParameters& p) {
                        p.modulationType = ModulationType::Tone;
                        p.pskOrder = 0;
                        p.values["tone"] = -5000.5;
                    },
                    "tone"},
        SignalSynthesizerRefusalCase{"FskRateAboveBound",
                    [](SignalParameters& p) {
                        p.modulationType = ModulationType::Fsk;
                        p.fskOrder = 8;
                        p.symbolRate = 1250.5;
                    },
                    "FSK"},
        SignalSynthesizerRefusalCase{"FskBoundIsFloored",
                    [](SignalParameters& p) {
                        p.modulationType = ModulationType::Fsk;
                        p.fskOrder = 8;
                        p.samplingRate = 10001.0;
                        p.symbolRate = 1250.1;
                    },
                    "FSK"},
        SignalSynthesizerRefusalCase{"QamOrder96",
                    [](SignalParameters& p) {
                        p.modulationType = ModulationType::Qam;
                        p.qamOrder = 96;
                    },
                    "QAM order 96"},
        SignalSynthesizerRefusalCase{"ApskThreeRadiiForTwoRings",
                    [](SignalParameters& p) {
                        p.modulationType = ModulationType::Apsk;
                        p.apskOrder = 16;
                        p.apskRadiiText = "0.3 0.7 1.2";
                    },
                    "radii"},
        SignalSynthesizerRefusalCase{"ApskOrderWithoutRings",
                    [](SignalParameters& p) {
                        p.modulationType = ModulationType::Apsk;
                        p.apskOrder = 8;
                    },
                    "APSK order 8"},
        SignalSynthesizerRefusalCase{"MskBelowSymbolRate",
                    [](SignalParameters& p) {
                        p.modulationType = ModulationType::Msk;
                        p.samplingRate = 500.0;
                    },
                    "no samples"},
        SignalSynthesizerRefusalCase{"GmskBelowSymbolRate",
                    [](SignalParameters& p) {
                        p.modulationType = ModulationType::Gmsk;
                        p.samplingRate = 999.0;
                    },
                    "no samples"},
        SignalSynthesizerRefusalCase{"ResampledToNothing",
                    [](SignalParameters& p) {
                        p.symbolCount = 2;
                        p.samplingRate = 200.0;
                    },
                    "no samples"},
        // Every value finite, yet the signal would not be: the run is refused instead of writing
        // infinities or not-a-numbers.
        SignalSynthesizerRefusalCase{"SnrAsksForMoreNoiseThanADoubleHolds", [](SignalParameters& p) { p.snrDb = -2801.0; },
                    "SNR of -2801 dB"},
        // 1024-QAM's corner points have 31^2 + 31^2 times the unit power: less room for noise.
        SignalSynthesizerRefusalCase{"SnrTooLowForTheLargestQamPoints",
                    [](SignalParameters& p) {
                        p.modulationType = ModulationType::Qam;
                        p.qamOrder = 1024;
                        p.snrDb = -2790.0;
                    },
                    "SNR"},
        SignalSynthesizerRefusalCase{"SnrHugelyNegative", [](SignalParameters& p) { p.snrDb = -1e254; }, "SNR"},
        SignalSynthesizerRefusalCase{"ApskRadiiBeyondThePowerRange",
                    [](SignalParameters& p) {
                        p.modulationType = ModulationType::Apsk;
                        p.apskOrder = 16;
                        p.apskRadiiText = "0.5 1e141";
                    },
                    "radii"},
        SignalSynthesizerRefusalCase{"ApskRadiiInRangeButNoiseNot",
                    [](SignalParameters& p) {
                        p.modulationType = ModulationType::Apsk;
                        p.apskOrder = 16;
                        p.apskRadiiText = "0.5 1e139";
                        p.snrDb = -30.0;
                    },
                    "SNR"},
        SignalSynthesizerRefusalCase{"MixingWhoseRadiansOverflow", [](SignalParameters& p) { p.mixingFrequency = 1e308; },
                    "mixing frequency"},
        SignalSynthesizerRefusalCase{"MixingWhosePhaseOverflowsByTheLastSample",
                    [](SignalParameters& p) {
                        p.mixingFrequency = 2e307;
                        p.symbolCount = 200000;
                    },
                    "mixing frequency"},
        SignalSynthesizerRefusalCase{"OffsetWhoseRadiansOverflow", [](SignalParameters& p) { p.frequencyOffset = -1.7e308; },
                    "frequency offset"},
        // 2 pi times the outer tones, 1.5 Rs each, exceeds the largest double.
        SignalSynthesizerRefusalCase{"FskTonesWhoseRadiansOverflow",
                    [](SignalParameters& p) { fourFskAt(p, 1.93e307); }, "4-FSK"},
        // Cut at the NUL, the name would be the file "x" in the folder.
        SignalSynthesizerRefusalCase{"SavePathWithANul", [](SignalParameters& p) { p.savePath += std::string("/x\0", 3); }, "NUL"},
        SignalSynthesizerRefusalCase{"BeyondAnyMemory",
                    [](SignalParameters& p) {
                        p.symbolCount = 2147483647;
                        p.samplingRate = 1e12;
                    },
                    "memory"}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

TEST(SignalSynthesizer, RefusesWhatDoesNotFitTheMemoryLimit) {
    TempDir dir;
    SignalSynthesizer synthesizer(seededSequence(kSignalSynthesizerSeed));
    SignalParameters p = signalSynthesizerSmallRun(dir);
    p.symbolCount = 10000;  // 100 000 samples, several MB of buffers
    synthesizer.setMemoryLimit(1u << 20);
    const auto refused = synthesizer.generateSignal(p);
    EXPECT_NE(refused.refusal.find("memory"), std::string::npos) << refused.refusal;
    EXPECT_EQ(filesIn(dir), 0u);
    synthesizer.setMemoryLimit(std::uint64_t{1} << 30);
    EXPECT_FALSE(synthesizer.generateSignal(p).refused());
}

// The last settings short of the overflow refusals still give files of finite numbers only.
TEST(SignalSynthesizer, ExtremeButRepresentableSettingsGiveFiniteSamples) {
    const std::pair<const char*, void (*)(SignalParameters&)> cases[] = {
        {"SnrJustAboveTheLowest", [](SignalParameters& p) { p.snrDb = -2799.0; }},
        {"HugeSnr", [](SignalParameters& p) { p.snrDb = 1e300; }},
        {"QamSnrJustAboveItsLowest",
         [](SignalParameters& p) {
             p.modulationType = ModulationType::Qam;
             p.qamOrder = 1024;
             p.snrDb = -2766.0;
         }},
        {"ApskRadiiJustInRange",
         [](SignalParameters& p) {
             p.modulationType = ModulationType::Apsk;
             p.apskOrder = 16;
             p.apskRadiiText = "-1e139 1e139";
         }},
        {"MixingWhosePhaseStaysFinite", [](SignalParameters& p) { p.mixingFrequency = 2e307; }},
        {"OffsetWhosePhaseStaysFinite", [](SignalParameters& p) { p.frequencyOffset = -2e307; }},
        {"FskTonesWhosePhaseStaysFinite", [](SignalParameters& p) { fourFskAt(p, 1.9e307); }},
        {"ExactlyTimedFskAtARateThatOverflowsKeyed",
         [](SignalParameters& p) {
             fourFskAt(p, 1.93e307);
             p.transmitter.exactTiming = true;
         }},
    };
    for (const auto& [name, change] : cases) {
        TempDir dir;
        SignalParameters p = signalSynthesizerSmallRun(dir);
        change(p);
        const auto result = SignalSynthesizer(seededSequence(kSignalSynthesizerSeed)).generateSignal(p);
        ASSERT_FALSE(result.refused()) << name << ": " << result.refusal;
        for (const auto& s : result.signal) {
            ASSERT_TRUE(std::isfinite(s.i) && std::isfinite(s.q)) << name;
        }
        const std::string text = readBytes(result.writtenFiles.at(0));
        EXPECT_EQ(text.find("nan"), std::string::npos) << name;
        EXPECT_EQ(text.find("inf"), std::string::npos) << name;
    }
}

// The run check finds the largest point of any alphabet without mapping all of it: a PSK order
// of 2^31 - 1 or the largest square QAM order once made it ask for tens of gigabytes.
TEST(SignalSynthesizer, HugeAlphabetsAreCheckedWithoutMappingEveryPoint) {
    // The largest square order in 32 bits has side 46340 and corners at (+-46339, +-46339): their
    // power leaves 10 log10(1e280 / power) dB of room for noise, against 10 log10(1e280) for PSK.
    constexpr std::int32_t kLargestSquare = 46340 * 46340;
    const double qamLowest = 10.0 * std::log10(2.0 * 46339.0 * 46339.0 / 1e280);
    struct Case {
        const char* name;
        ModulationType type;
        std::int32_t order;
        double snrDb;
        bool refused;
    };
    const Case cases[] = {
        {"PskLargestOrder", ModulationType::Psk, std::numeric_limits<std::int32_t>::max(), 30.0, false},
        {"PskLargestOrderBelowItsLowestSnr", ModulationType::Psk, std::numeric_limits<std::int32_t>::max(),
         -2801.0, true},
        {"QamLargestSquareAboveItsLowestSnr", ModulationType::Qam, kLargestSquare, qamLowest + 1.0, false},
        {"QamLargestSquareBelowItsLowestSnr", ModulationType::Qam, kLargestSquare, qamLowest - 1.0, true},
    };
    for (const Case& c : cases) {
        TempDir dir;
        SignalParameters p = signalSynthesizerSmallRun(dir);
        p.modulationType = c.type;
        (c.type == ModulationType::Psk ? p.pskOrder : p.qamOrder) = c.order;
        p.snrDb = c.snrDb;
        SignalSynthesizer synthesizer(seededSequence(kSignalSynthesizerSeed));
        synthesizer.setMemoryLimit(std::uint64_t{64} << 20);
        const auto result = synthesizer.generateSignal(p);
        EXPECT_EQ(result.refused(), c.refused) << c.name << ": " << result.refusal;
        if (c.refused) {
            EXPECT_NE(result.refusal.find("SNR"), std::string::npos) << c.name << ": " << result.refusal;
        } else {
            EXPECT_EQ(result.writtenFiles.size(), 1u) << c.name;
        }
    }
    // Integer samples are scaled by the nominal power, which sums every point: refused up front
    // for an order that large, with nothing on disk.
    TempDir dir;
    SignalParameters p = signalSynthesizerSmallRun(dir);
    p.pskOrder = std::numeric_limits<std::int32_t>::max();
    p.outputFormat = OutputFormat::Ci16;
    const auto result = SignalSynthesizer(seededSequence(kSignalSynthesizerSeed)).generateSignal(p);
    EXPECT_NE(result.refusal.find("too large for a nominal power"), std::string::npos) << result.refusal;
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

// At a limit of exactly the run's peak the run goes ahead; one byte less and it is refused with
// a reason naming memory before any file exists.
TEST(SignalSynthesizer, MemoryLimitHoldsToTheByte) {
    const std::pair<const char*, void (*)(SignalParameters&)> cases[] = {
        {"Psk", [](SignalParameters&) {}},
        {"PskFractionalRatio", [](SignalParameters& p) { p.samplingRate = 3333.3; }},
        {"Msk", [](SignalParameters& p) { p.modulationType = ModulationType::Msk; }},
        {"Fsk8",
         [](SignalParameters& p) {
             p.modulationType = ModulationType::Fsk;
             p.fskOrder = 8;
         }},
        {"Qam2048",
         [](SignalParameters& p) {
             p.modulationType = ModulationType::Qam;
             p.qamOrder = 2048;
         }},
        {"TwoFiles", [](SignalParameters& p) { p.fileCount = 2; }},
    };
    for (const auto& [name, change] : cases) {
        TempDir dir;
        SignalParameters p = signalSynthesizerSmallRun(dir);
        p.symbolCount = 777;
        change(p);
        const auto peak = static_cast<std::uint64_t>(peakMemoryBytes(p));
        ASSERT_EQ(static_cast<double>(peak), peakMemoryBytes(p)) << name << ": a whole number of bytes";
        SignalSynthesizer synthesizer(seededSequence(kSignalSynthesizerSeed));
        synthesizer.setMemoryLimit(peak - 1);
        const auto refused = synthesizer.generateSignal(p);
        EXPECT_NE(refused.refusal.find("MiB of memory"), std::string::npos) << name << ": " << refused.refusal;
        EXPECT_EQ(filesIn(dir), 0u) << name;
        synthesizer.setMemoryLimit(peak);
        const auto ran = synthesizer.generateSignal(p);
        EXPECT_FALSE(ran.refused()) << name << ": " << ran.refusal;
        EXPECT_EQ(ran.writtenFiles.size(), static_cast<std::size_t>(p.fileCount)) << name;
    }
}

TEST(SignalSynthesizer, TimingErrorBoundsAreAccepted) {
    for (double tau : {-1.0, 1.0}) {
        TempDir dir;
        SignalParameters p = signalSynthesizerSmallRun(dir);
        p.timingError = tau;
        const auto result = SignalSynthesizer(seededSequence(kSignalSynthesizerSeed)).generateSignal(p);
        EXPECT_FALSE(result.refused()) << tau << ": " << result.refusal;
        EXPECT_EQ(result.signal.size(), 500u);
    }
}

TEST(SignalSynthesizer, FskAtTheRateBoundRuns) {
    TempDir dir;
    SignalParameters p = signalSynthesizerSmallRun(dir);
    p.modulationType = ModulationType::Fsk;
    p.fskOrder = 8;
    p.symbolRate = 1250.0;
    const auto result = SignalSynthesizer(seededSequence(kSignalSynthesizerSeed)).generateSignal(p);
    EXPECT_FALSE(result.refused()) << result.refusal;
    EXPECT_EQ(result.signal.size(), 50u * 8u);
}

TEST(SignalSynthesizer, ApskWithASingleRadiusUsesTheDefaults) {
    TempDir dir;
    SignalParameters p = signalSynthesizerSmallRun(dir);
    p.modulationType = ModulationType::Apsk;
    p.apskOrder = 16;
    p.apskRadiiText = "0.9";
    const auto result = SignalSynthesizer(seededSequence(kSignalSynthesizerSeed)).generateSignal(p);
    ASSERT_FALSE(result.refused()) << result.refusal;
    for (const auto& point : result.mappedSymbols) {
        const double r = std::hypot(point.i, point.q);
        EXPECT_TRUE(std::abs(r - 0.5) < 1e-12 || std::abs(r - 1.5) < 1e-12) << r;
    }
}

TEST(SignalSynthesizer, OneSymbolIsAValidRun) {
    TempDir dir;
    SignalParameters p = signalSynthesizerSmallRun(dir);
    p.symbolCount = 1;
    const auto result = SignalSynthesizer(seededSequence(kSignalSynthesizerSeed)).generateSignal(p);
    EXPECT_FALSE(result.refused()) << result.refusal;
    EXPECT_EQ(result.signal.size(), 10u);
    EXPECT_EQ(result.mappedSymbols.size(), 1u);
}

TEST(SignalSynthesizer, WritesEveryFileInOrderAndReturnsTheLast) {
    TempDir dir;
    SignalParameters p = signalSynthesizerSmallRun(dir);
    p.fileCount = 3;
    const auto result = SignalSynthesizer(seededSequence(kSignalSynthesizerSeed)).generateSignal(p);
    ASSERT_FALSE(result.refused()) << result.refusal;
    ASSERT_EQ(result.writtenFiles.size(), 3u);
    for (int k = 1; k <= 3; ++k) {
        EXPECT_EQ(result.writtenFiles[static_cast<std::size_t>(k - 1)],
                  dir.str() + "/modulated_signal_" + std::to_string(k) + ".csv");
    }
    EXPECT_TRUE(sameBytes(readBytes(result.writtenFiles[2]), expectedFile(result.signal)));
    EXPECT_FALSE(sameBytes(readBytes(result.writtenFiles[0]), readBytes(result.writtenFiles[1])));
    EXPECT_TRUE(sameValues(result.mappedSymbols, modulatePsk(seededSymbolsOfFile(3, 4, 50), 4)));
}

TEST(SignalSynthesizer, OverlappedFilesEqualAPlainSequentialRun) {
    // Files are written on other threads while the next one is generated; every file must still
    // be exactly what running the stages one after the other gives.
    TempDir dir;
    SignalParameters p = signalSynthesizerSmallRun(dir);
    p.symbolCount = 20000;  // several write pieces per file
    p.fileCount = 3;
    p.mixingFrequency = 250.0;
    p.timingError = -0.4;
    const auto result = SignalSynthesizer(seededSequence(kSignalSynthesizerSeed)).generateSignal(p);
    ASSERT_EQ(result.writtenFiles.size(), 3u);

    auto seeds = seededSequence(kSignalSynthesizerSeed);
    SymbolEngine engine(seeds());
    for (std::size_t k = 0; k < 3; ++k) {
        const auto mapped = modulatePsk(drawRandomSymbols(4, p.symbolCount, engine), 4);
        const auto impaired = applyTimingError(
            frequencyShift(resampleToSamplingRate(mapped, p.symbolRate, p.samplingRate), p.mixingFrequency,
                           p.samplingRate),
            p.timingError, p.symbolRate, p.samplingRate);
        const std::uint32_t noiseSeed = seeds();
        const auto expected = addWhiteGaussianNoise(impaired, p.snrDb, [noiseSeed] { return noiseSeed; });
        EXPECT_TRUE(sameBytes(readBytes(result.writtenFiles[k]), expectedFile(expected)))
            << "file " << k + 1;
    }
}

TEST(SignalSynthesizer, PrnFilesShareTheirSymbolsButNotTheirNoise) {
    TempDir dir;
    SignalParameters p = signalSynthesizerSmallRun(dir);
    p.dataSource = DataSource::Prn7Lfsr;
    p.fileCount = 2;
    const auto result = SignalSynthesizer(seededSequence(kSignalSynthesizerSeed)).generateSignal(p);
    ASSERT_EQ(result.writtenFiles.size(), 2u);
    EXPECT_TRUE(sameValues(result.mappedSymbols, modulatePsk(drawPrn7Symbols(4, 50), 4)));
    EXPECT_FALSE(sameBytes(readBytes(result.writtenFiles[0]), readBytes(result.writtenFiles[1])));
}

TEST(SignalSynthesizer, KeyedSchemesKeepTheLastMapperOutputThoughEarlierFilesReuseTheirs) {
    TempDir dir;
    SignalParameters p = signalSynthesizerSmallRun(dir);
    p.modulationType = ModulationType::Msk;
    p.dataSource = DataSource::Prn15Lfsr;
    p.snrDb = std::numeric_limits<double>::infinity();
    p.fileCount = 3;
    const auto result = SignalSynthesizer(seededSequence(kSignalSynthesizerSeed)).generateSignal(p);
    ASSERT_EQ(result.writtenFiles.size(), 3u);
    EXPECT_TRUE(sameValues(result.mappedSymbols, modulateMsk(drawPrn15Symbols(2, 50), 10.0)));
    EXPECT_TRUE(sameValues(result.signal, result.mappedSymbols));
    EXPECT_TRUE(sameBytes(readBytes(result.writtenFiles[0]), expectedFile(result.signal)));
    EXPECT_TRUE(sameBytes(readBytes(result.writtenFiles[2]), expectedFile(result.signal)));
}

TEST(SignalSynthesizer, UnofferedSourceMapsEverySymbolToIndexZero) {
    TempDir dir;
    SignalParameters p = signalSynthesizerSmallRun(dir);
    p.dataSource = static_cast<DataSource>(3);
    const auto result = SignalSynthesizer(seededSequence(kSignalSynthesizerSeed)).generateSignal(p);
    EXPECT_TRUE(sameValues(result.mappedSymbols, SampleBuffer(50, ComplexSample{1.0, 0.0})));
}

TEST(SignalSynthesizer, WithoutImpairmentsOrNoiseTheSignalIsTheResampledMapperOutput) {
    TempDir dir;
    SignalParameters p = signalSynthesizerSmallRun(dir);
    p.snrDb = std::numeric_limits<double>::infinity();
    const auto result = SignalSynthesizer(seededSequence(kSignalSynthesizerSeed)).generateSignal(p);
    EXPECT_TRUE(
        sameValues(result.signal, resampleToSamplingRate(result.mappedSymbols, 1000.0, 10000.0)));
}

TEST(SignalSynthesizer, StagesRunInTheirFixedOrder) {
    TempDir dir;
    SignalParameters p = signalSynthesizerSmallRun(dir);
    p.snrDb = std::numeric_limits<double>::infinity();
    p.mixingFrequency = 1234.5;
    p.timingError = 0.37;
    p.frequencyOffset = -321.0;
    const auto result = SignalSynthesizer(seededSequence(kSignalSynthesizerSeed)).generateSignal(p);
    const auto expected = applyFrequencyOffset(
        applyTimingError(frequencyShift(resampleToSamplingRate(result.mappedSymbols, p.symbolRate, p.samplingRate),
                                        p.mixingFrequency, p.samplingRate),
                         p.timingError, p.symbolRate, p.samplingRate),
        p.frequencyOffset, p.samplingRate);
    EXPECT_TRUE(sameValues(result.signal, expected));
}

TEST(SignalSynthesizer, EqualSeedsGiveByteIdenticalFiles) {
    TempDir a;
    TempDir b;
    TempDir c;
    SignalParameters p = signalSynthesizerSmallRun(a);
    p.fileCount = 2;
    SignalSynthesizer(seededSequence(kSignalSynthesizerSeed)).generateSignal(p);
    p.savePath = b.str();
    SignalSynthesizer(seededSequence(kSignalSynthesizerSeed)).generateSignal(p);
    p.savePath = c.str();
    SignalSynthesizer(seededSequence(kSignalSynthesizerSeed + 1)).generateSignal(p);
    for (const char* name : {"/modulated_signal_1.csv", "/modulated_signal_2.csv"}) {
        EXPECT_TRUE(sameBytes(readBytes(a.str() + name), readBytes(b.str() + name)));
        EXPECT_FALSE(sameBytes(readBytes(a.str() + name), readBytes(c.str() + name)));
    }
}

TEST(SignalSynthesizer, TakesOneSeedPerRunAndOnePerNoisyFile) {
    for (double snr : {30.0, std::numeric_limits<double>::infinity()}) {
        TempDir dir;
        SignalParameters p = signalSynthesizerSmallRun(dir);
        p.fileCount = 4;
        p.snrDb = snr;
        int seedsTaken = 0;
        SignalSynthesizer synthesizer([&seedsTaken] { return static_cast<std::uint32_t>(++seedsTaken); });
        synthesizer.generateSignal(p);
        EXPECT_EQ(seedsTaken, std::isinf(snr) ? 1 : 5) << snr;
    }
}

TEST(SignalSynthesizer, FilesThatCannotBeWrittenAreReportedAndTheRunGoesOn) {
    TempDir dir;
    SignalParameters p = signalSynthesizerSmallRun(dir);
    p.fileCount = 2;
    // Folders under the files' names: each file is made, and cannot take its name.
    std::filesystem::create_directory(dir.file("modulated_signal_1.csv"));
    std::filesystem::create_directory(dir.file("modulated_signal_2.csv"));
    const auto result = SignalSynthesizer(seededSequence(kSignalSynthesizerSeed)).generateSignal(p);
    EXPECT_FALSE(result.refused());
    EXPECT_EQ(result.signal.size(), 500u);
    ASSERT_EQ(result.fileFailures.size(), 2u);
    EXPECT_EQ(result.fileFailures[1].path, dir.file("modulated_signal_2.csv"));
    EXPECT_FALSE(result.fileFailures[1].reason.empty());
    EXPECT_TRUE(result.writtenFiles.empty());
}

}  // namespace
}  // namespace quorvel
