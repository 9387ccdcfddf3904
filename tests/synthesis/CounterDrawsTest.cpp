// Counter-based symbols and noise, switched on for schemes that keep the twister by default: each
// value against Philox4x32-10 and Box-Muller written out here, wherever in a file or capture it
// lies and however many threads make it; the normal pairs against the normal distribution.

#include <gtest/gtest.h>

#include <stdlib.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "channel/NormalPairs.h"
#include "channel/WhiteGaussianNoise.h"
#include "common/Philox.h"
#include "common/SeedSource.h"
#include "dataset/CaptureMaking.h"
#include "export/SigmfMetadata.h"
#include "export/SigmfRecordReader.h"
#include "support/RecordingFiles.h"
#include "support/SameBytes.h"
#include "support/TempDir.h"
#include "synthesis/SignalSynthesizer.h"
#include "synthesis/SymbolSources.h"

namespace quorvel {
namespace {

using testing_support::readBytes;
using testing_support::sameBytes;
using testing_support::TempDir;

constexpr std::uint32_t kCounterDrawsSeed = 2718;

// Word k of block b of a stream, straight from the bijection.
std::uint32_t word(std::uint32_t key, CounterStream stream, std::uint64_t block, std::uint32_t k) {
    return philox4x32({static_cast<std::uint32_t>(block), static_cast<std::uint32_t>(block >> 32), k / 4, 0},
                      {key, static_cast<std::uint32_t>(stream)})[k % 4];
}

// Sample n's pair written out: u = (27 bits of one word, 26 of the next) / 2^53.
std::array<double, 2> expectedPair(std::uint32_t seed, std::uint64_t n) {
    const std::uint64_t block = n / 4096;
    const auto k = static_cast<std::uint32_t>(n % 4096) * 4;
    const auto u = [&](std::uint32_t first) {
        const std::uint64_t high = word(seed, CounterStream::Noise, block, first) >> 5;
        const std::uint64_t low = word(seed, CounterStream::Noise, block, first + 1) >> 6;
        return static_cast<double>(high * (1ULL << 26) + low) / 9007199254740992.0;
    };
    const double r = std::sqrt(-2.0 * std::log(1.0 - u(k)));
    const double a = 2.0 * std::numbers::pi * u(k + 2);
    return {r * std::cos(a), r * std::sin(a)};
}

SignalParameters counterRun(ModulationType type, std::int32_t order) {
    SignalParameters p;
    p.modulationType = type;
    p.pskOrder = type == ModulationType::Psk ? order : 0;
    p.order = type == ModulationType::Psk ? 0 : order;
    p.counterDraws = true;
    return p;
}

struct SymbolCase {
    ModulationType type;
    std::int32_t order;
};

// Index j of block b is word j of the block times M, high half (M a power of two: no rejection);
// the file takes one output of its engine as the key, and nothing more.
TEST(CounterDraws, RandomIndicesAreTheirBlocksWords) {
    for (const SymbolCase c : {SymbolCase{ModulationType::Psk, 4}, SymbolCase{ModulationType::Psk, 16},
                               SymbolCase{ModulationType::Ook, 2}}) {
        SignalParameters p = counterRun(c.type, c.order);
        p.symbolCount = 3 * 4096 + 17;
        MersenneTwister engine(kCounterDrawsSeed);
        const SymbolSequence symbols = drawFileSymbols(p, engine);
        MersenneTwister keyEngine(kCounterDrawsSeed);
        const std::uint32_t key = keyEngine();
        EXPECT_TRUE(engine == keyEngine);
        for (const std::uint64_t block : {0u, 1u, 3u}) {
            for (const std::uint32_t j : {0u, 1u, 5u, 16u}) {
                const std::uint64_t n = block * 4096 + j;
                const auto expected = static_cast<std::int32_t>(
                    (std::uint64_t{word(key, CounterStream::Symbols, block, j)} * static_cast<std::uint32_t>(c.order)) >> 32);
                EXPECT_EQ(symbols[n], expected) << c.order << " symbol " << n;
            }
        }
    }
}

// The noise of sample n of a file or capture is sigma x the pair of n under the noise seed, the
// second of counterSeeds(key), whatever was made before it and the blocks around it.
void expectOwnPairs(const SampleBuffer& noisy, const SampleBuffer& clean, double snrDb, std::uint64_t key) {
    const SeedSource seeds = counterSeeds(key);
    seeds();
    const std::uint32_t noiseSeed = seeds();
    const double sigma = noiseStandardDeviation(clean, snrDb);
    ASSERT_EQ(noisy.size(), clean.size());
    for (const std::size_t n : {std::size_t{0}, std::size_t{4095}, std::size_t{4096}, noisy.size() - 1}) {
        const auto [q, i] = expectedPair(noiseSeed, n);
        EXPECT_NEAR(noisy[n].q, q * sigma + clean[n].q, 1e-12) << "sample " << n;
        EXPECT_NEAR(noisy[n].i, i * sigma + clean[n].i, 1e-12) << "sample " << n;
    }
}

TEST(CounterDraws, NoiseOfFilesAndCapturesIsEachSamplesOwnPair) {
    TempDir dir;
    SignalParameters p = counterRun(ModulationType::Ook, 2);
    p.symbolCount = 1000;  // 10 000 samples: three noise blocks
    p.fileCount = 3;
    p.savePath = dir.str();
    const auto made = [&](double snrDb, std::int32_t k) {
        p.snrDb = snrDb;
        return SignalSynthesizer::seeded(kCounterDrawsSeed).regenerateFile(p, k, dir.str()).signal;
    };
    for (const std::int32_t k : {1, 3}) {
        SCOPED_TRACE(k);
        expectOwnPairs(made(4.0, k), made(INFINITY, k), 4.0, splitMix64(kCounterDrawsSeed, static_cast<std::uint64_t>(k)));
    }
    CapturePlan plan{.key = splitMix64(kCounterDrawsSeed, 41), .parameters = counterRun(ModulationType::Psk, 8)};
    plan.parameters.symbolCount = 1000;
    CaptureSamples noisy, clean;
    plan.parameters.snrDb = -3.0;
    makeCapture(plan, 9000, noisy);
    plan.parameters.snrDb = INFINITY;
    makeCapture(plan, 9000, clean);
    expectOwnPairs(noisy.samples, clean.samples, -3.0, plan.key);
}

// A long noisy file (its finishing thread busy beside the stages) writes the same bytes on one
// thread as on several.
TEST(CounterDraws, OneThreadAndSeveralWriteTheSameFile) {
    SignalParameters p = counterRun(ModulationType::Psk, 4);
    p.symbolCount = 30000;
    p.outputFormat = OutputFormat::Cf32;
    p.snrDb = 6.0;
    std::vector<std::string> made;
    for (const char* budget : {"1", "4"}) {
        setenv("QUORVEL_THREADS", budget, 1);
        TempDir dir;
        p.savePath = dir.str();
        ASSERT_FALSE(SignalSynthesizer::seeded(kCounterDrawsSeed).generateSignal(p).refused());
        made.push_back(readBytes(dir.file("modulated_signal_1.sigmf-data")));
    }
    unsetenv("QUORVEL_THREADS");
    EXPECT_TRUE(sameBytes(made[1], made[0]));
}

// The metadata names the generator; a reader takes the one it knows, and none for the twister.
TEST(CounterDraws, RecordingsNameTheirGenerator) {
    struct Case {
        nlohmann::json random, version;
        int read;  // 1: by counter, 0: by the twister, -1: refused
    };
    RecordingRecord record;
    record.parameters.counterDraws = true;
    const auto written = nlohmann::json::parse(sigmfMetadataText(record));
    for (const Case& c : {Case{written["global"]["quorvel:random"], written["global"]["quorvel:random_version"], 1},
                          Case{nullptr, nullptr, 0}, Case{"philox4x32-7", 1, -1}, Case{"philox4x32-10", 2, -1}}) {
        auto meta = written;
        meta["global"].erase("quorvel:random");
        meta["global"].erase("quorvel:random_version");
        if (!c.random.is_null()) {
            meta["global"]["quorvel:random"] = c.random;
            meta["global"]["quorvel:random_version"] = c.version;
        }
        const RecordReading reading = readRecordingRecord(meta.dump());
        EXPECT_EQ(reading ? int{reading.record->parameters.counterDraws} : -1, c.read) << c.random << reading.problem;
    }
}

// 2 x 10^5 values from one seed: mean, variance and the Q-I correlation within four standard
// errors, and the Kolmogorov-Smirnov distance to the normal distribution below its 0.1 % point.
TEST(CounterDraws, PairsAreIndependentStandardNormals) {
    constexpr std::size_t kPairs = 100000;
    std::vector<double> values;
    double sum = 0.0, squares = 0.0, products = 0.0;
    for (std::size_t n = 0; n < kPairs; ++n) {
        const auto [q, i] = counterPair(99, n);
        values.push_back(q);
        values.push_back(i);
        sum += q + i;
        squares += q * q + i * i;
        products += q * i;
    }
    const auto count = static_cast<double>(values.size());
    EXPECT_LT(std::fabs(sum / count), 4.0 / std::sqrt(count));
    EXPECT_LT(std::fabs(squares / count - 1.0), 4.0 * std::sqrt(2.0 / count));
    EXPECT_LT(std::fabs(products / kPairs), 4.0 / std::sqrt(static_cast<double>(kPairs)));
    std::sort(values.begin(), values.end());
    double distance = 0.0;
    for (std::size_t k = 0; k < values.size(); ++k) {
        const double cdf = 0.5 * std::erfc(-values[k] / std::numbers::sqrt2);
        distance = std::max({distance, cdf - static_cast<double>(k) / count, static_cast<double>(k + 1) / count - cdf});
    }
    EXPECT_LT(distance, 1.95 / std::sqrt(count));
}

}  // namespace
}  // namespace quorvel
