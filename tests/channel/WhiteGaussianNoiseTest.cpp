#include "channel/WhiteGaussianNoise.h"
#include "support/NonFinite.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <random>
#include <utility>

#include "channel/ChannelTestSupport.h"
#include "channel/Mixing.h"
#include "channel/PolarNormal.h"

namespace quorvel {
namespace {

using testing_support::bitIdentical;
using testing_support::randomBuffer;

using testing_support::kInf;
constexpr std::size_t kLongBuffer = 100000;
// Noise power measured on 10^5 samples scatters by about 0.014 dB (one standard error).
constexpr double kWhiteGaussianNoiseSnrToleranceDb = 0.1;
// Correlation of independent components over 10^5 samples scatters by about 0.003.
constexpr double kWhiteGaussianNoiseCorrelationTolerance = 0.02;

// A seed source that hands out fixed seeds and counts how often it was asked.
struct CountingSeeds {
    std::uint32_t next = 1234;
    int calls = 0;
    SeedSource source() {
        return [this] {
            ++calls;
            return next++;
        };
    }
};

struct NoiseStatistics {
    double signalPower = 0.0;
    double powerI = 0.0;
    double powerQ = 0.0;
    double correlation = 0.0;
};

NoiseStatistics measure(const SampleBuffer& input, const SampleBuffer& output) {
    NoiseStatistics m;
    double crossIQ = 0.0;
    for (std::size_t n = 0; n < input.size(); ++n) {
        const double di = output[n].i - input[n].i;
        const double dq = output[n].q - input[n].q;
        m.signalPower += input[n].i * input[n].i + input[n].q * input[n].q;
        m.powerI += di * di;
        m.powerQ += dq * dq;
        crossIQ += di * dq;
    }
    m.correlation = crossIQ / std::sqrt(m.powerI * m.powerQ);
    const double count = static_cast<double>(input.size());
    m.signalPower /= count;
    m.powerI /= count;
    m.powerQ /= count;
    return m;
}

SampleBuffer unitTone(std::size_t count, double amplitude) {
    return frequencyShift(SampleBuffer(count, {amplitude, 0.0}), 123.0, 10000.0);
}

TEST(WhiteGaussianNoise, DecibelsToPowerRatio) {
    constexpr double kRelativeTolerance = 1e-15;
    const double cases[][2] = {{0.0, 1.0},
                               {10.0, 10.0},
                               {20.0, 100.0},
                               {30.0, 1000.0},
                               {-10.0, 0.1},
                               {-30.0, 1e-3},
                               {3.0, 1.9952623149688795},
                               {300.0, 1e30}};
    for (const auto& c : cases) {
        EXPECT_NEAR(dbToLinear(c[0]), c[1], c[1] * kRelativeTolerance) << c[0];
    }
    EXPECT_EQ(dbToLinear(kInf), kInf);
    EXPECT_EQ(dbToLinear(-kInf), 0.0);
}

TEST(WhiteGaussianNoise, MeasuredSnrMatchesTheRequest) {
    for (const double amplitude : {1.0, 3.0}) {
        const auto input = unitTone(kLongBuffer, amplitude);
        for (const double snrDb : {0.0, 10.0, 30.0, -5.0}) {
            CountingSeeds seeds;
            const auto m = measure(input, addWhiteGaussianNoise(input, snrDb, seeds.source()));
            const double measuredDb = 10.0 * std::log10(m.signalPower / (m.powerI + m.powerQ));
            EXPECT_NEAR(measuredDb, snrDb, kWhiteGaussianNoiseSnrToleranceDb) << "amplitude " << amplitude;
            // I and Q carry independent noise of equal power.
            EXPECT_NEAR(10.0 * std::log10(m.powerI / m.powerQ), 0.0, kWhiteGaussianNoiseSnrToleranceDb) << snrDb;
            EXPECT_NEAR(m.correlation, 0.0, kWhiteGaussianNoiseCorrelationTolerance) << snrDb;
            EXPECT_EQ(seeds.calls, 1);
        }
    }
}

TEST(WhiteGaussianNoise, DefaultSnrOnUnitPowerGivesTheExpectedSpread) {
    constexpr double kSigmaTolerance = 0.01;  // relative; one standard error is about 0.002
    const double expectedSigma = std::sqrt(0.0005);
    EXPECT_NEAR(expectedSigma, 0.02236, 1e-5);
    const auto input = unitTone(kLongBuffer, 1.0);
    CountingSeeds seeds;
    const auto m = measure(input, addWhiteGaussianNoise(input, 30.0, seeds.source()));
    EXPECT_NEAR(std::sqrt(m.powerI), expectedSigma, expectedSigma * kSigmaTolerance);
    EXPECT_NEAR(std::sqrt(m.powerQ), expectedSigma, expectedSigma * kSigmaTolerance);
}

TEST(WhiteGaussianNoise, EmptyInputOrInfiniteSnrTakesNoSeedAndChangesNothing) {
    const auto input = randomBuffer(1000, 41);
    CountingSeeds seeds;
    EXPECT_TRUE(bitIdentical(addWhiteGaussianNoise(input, kInf, seeds.source()), input));
    EXPECT_TRUE(addWhiteGaussianNoise(SampleBuffer{}, 30.0, seeds.source()).empty());
    EXPECT_TRUE(addWhiteGaussianNoise(SampleBuffer{}, kInf, seeds.source()).empty());
    EXPECT_EQ(seeds.calls, 0);
}

TEST(WhiteGaussianNoise, SilenceStaysSilentAtEveryFiniteSnr) {
    const SampleBuffer silence(1000);
    for (const double snrDb : {-20.0, 0.0, 30.0, 300.0}) {
        CountingSeeds seeds;
        EXPECT_TRUE(bitIdentical(addWhiteGaussianNoise(silence, snrDb, seeds.source()), silence))
            << snrDb;
        EXPECT_EQ(seeds.calls, 1) << snrDb;
    }
}

TEST(WhiteGaussianNoise, VeryHighSnrStillDrawsNoiseFarBelowTheSignal) {
    constexpr double kDeviationBound = 1e-12;
    const auto input = unitTone(10000, 1.0);
    CountingSeeds seeds;
    const auto out = addWhiteGaussianNoise(input, 300.0, seeds.source());
    EXPECT_EQ(seeds.calls, 1);
    EXPECT_LT(testing_support::maxDeviation(out, input), kDeviationBound);
    EXPECT_FALSE(bitIdentical(out, input));
}

TEST(WhiteGaussianNoise, EachSampleTakesOnePairQuadratureFirst) {
    // Sample 0 is zero, so it holds the first pair exactly: Q the first value, I the second.
    SampleBuffer input(64, {1.0, 0.0});
    input[0] = {};
    const double snrDb = 6.0;
    const double power = 63.0 / 64.0;
    CountingSeeds seeds;
    const std::uint32_t seed = seeds.next;
    const auto out = addWhiteGaussianNoise(input, snrDb, seeds.source());

    MersenneTwister engine(seed);
    testing_support::PairedNormal normal(std::sqrt(power / dbToLinear(snrDb) * 0.5));
    const double first = normal(engine);
    const double second = normal(engine);
    EXPECT_EQ(out[0].q, first);
    EXPECT_EQ(out[0].i, second);
    EXPECT_EQ(out[1].q, normal(engine));
    EXPECT_EQ(out[1].i, normal(engine) + 1.0);
}

TEST(WhiteGaussianNoise, SeedDecidesTheNoise) {
    const auto input = randomBuffer(5000, 43);
    const auto seeded = [](std::uint32_t seed) { return SeedSource([seed] { return seed; }); };
    const auto a = addWhiteGaussianNoise(input, 10.0, seeded(7));
    EXPECT_TRUE(bitIdentical(addWhiteGaussianNoise(input, 10.0, seeded(7)), a));
    const auto b = addWhiteGaussianNoise(input, 10.0, seeded(8));
    std::size_t equal = 0;
    for (std::size_t n = 0; n < a.size(); ++n) {
        equal += a[n] == b[n] ? 1u : 0u;
    }
    EXPECT_EQ(equal, 0u);
}

TEST(WhiteGaussianNoise, InPlaceFormGivesTheSameBitsInTheSameStorage) {
    const auto input = randomBuffer(2001, 44);
    const auto seeded = [] { return SeedSource([] { return 5u; }); };
    const auto copied = addWhiteGaussianNoise(input, 12.0, seeded());
    SampleBuffer storage = input;
    const auto* data = storage.data();
    const auto moved = addWhiteGaussianNoise(std::move(storage), 12.0, seeded());
    EXPECT_EQ(moved.data(), data);
    EXPECT_TRUE(bitIdentical(moved, copied));
}

TEST(WhiteGaussianNoise, NoiseAddedInPiecesEqualsOnePass) {
    const auto input = randomBuffer(10007, 45);
    const auto whole = addWhiteGaussianNoise(input, 7.5, SeedSource([] { return 9u; }));
    for (const std::size_t piece : {1u, 2u, 3u, 1000u, 4096u, 10007u}) {
        SampleBuffer pieces = input;
        NoiseGenerator noise(noiseStandardDeviation(input, 7.5), 9u);
        for (std::size_t begin = 0; begin < pieces.size(); begin += piece) {
            const std::size_t count = std::min(piece, pieces.size() - begin);
            noise.addTo(std::span(pieces).subspan(begin, count));
        }
        EXPECT_TRUE(bitIdentical(pieces, whole)) << "pieces of " << piece;
    }
}

}  // namespace
}  // namespace quorvel
