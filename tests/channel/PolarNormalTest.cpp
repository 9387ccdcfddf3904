#include "channel/PolarNormal.h"

#include <gtest/gtest.h>

#include "channel/ChannelTestSupport.h"

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace quorvel {
namespace {

constexpr double kTwoToMinus52 = 2.220446049250313e-16;

// The polar method written out from its description, independently of the unit: each uniform from
// two engine outputs as k = r2 2^21 + floor(r1 / 2^11), u = k / 2^53 x 2 - 1.
struct ReferencePolar {
    explicit ReferencePolar(std::uint32_t seed) : engine(seed) {}

    double uniform() {
        const double r1 = static_cast<double>(engine());
        const double r2 = static_cast<double>(engine());
        outputsUsed += 2;
        const double k = r2 * 2097152.0 + std::floor(r1 / 2048.0);
        return k / 9007199254740992.0 * 2.0 - 1.0;
    }

    // Standard normal values in the order the draws return them.
    std::vector<double> pairs(int count) {
        std::vector<double> values;
        for (int n = 0; n < count; ++n) {
            double u1 = 0.0;
            double u2 = 0.0;
            double s = 0.0;
            for (;;) {
                u1 = uniform();
                u2 = uniform();
                s = u1 * u1 + u2 * u2;
                if (s > 0.0 && s < 1.0 && u1 != 0.0 && u2 != 0.0) {
                    break;
                }
            }
            smallestRadiusSquared = std::fmin(smallestRadiusSquared, s);
            const double g = std::sqrt(-2.0 * std::log(s) / s);
            values.push_back(u1 * g);
            values.push_back(u2 * g);
        }
        return values;
    }

    std::mt19937 engine;
    int outputsUsed = 0;
    double smallestRadiusSquared = 1.0;
};

TEST(PolarNormal, UniformTakesFiftyThreeBitsFromTwoOutputs) {
    const struct {
        std::uint32_t first;
        std::uint32_t second;
        double expected;
    } cases[] = {
        {0u, 0u, -1.0},
        {0xFFFFFFFFu, 0xFFFFFFFFu, 1.0 - kTwoToMinus52},
        {0u, 0x80000000u, 0.0},
        {0x800u, 0x80000000u, kTwoToMinus52},  // lowest bit of the first output that counts
        {0x7FFu, 0x80000000u, 0.0},            // its low 11 bits are dropped
        {0xFFFFF800u, 0u, -1.0 + (2097151.0 * kTwoToMinus52)},
        {0u, 1u, -1.0 + 2097152.0 * kTwoToMinus52},
        {0u, 0xC0000000u, 0.5},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(polarUniform(c.first, c.second), c.expected) << c.first << ", " << c.second;
    }
}

TEST(PolarNormal, FirstPairsMatchTheWrittenOutMethod) {
    // This seed rejects a point within its first three pairs, so the retry is covered too.
    const std::uint32_t seed = 2;
    for (const double sigma : {1.0, 0.3}) {
        ReferencePolar reference(seed);
        const auto expected = reference.pairs(3);
        ASSERT_GT(reference.outputsUsed, 12);
        ASSERT_GT(reference.smallestRadiusSquared, 1e-4);

        MersenneTwister engine(seed);
        testing_support::PairedNormal normal(sigma);
        for (std::size_t n = 0; n < expected.size(); ++n) {
            EXPECT_EQ(normal(engine), expected[n] * sigma) << "draw " << n << ", sigma " << sigma;
        }
        // Four outputs per attempt and nothing else taken from the engine.
        EXPECT_EQ(engine(), reference.engine());
    }
}

TEST(PolarNormal, PointsNearTheCentreGiveThePlainFormulaPair) {
    constexpr double kRelativeTolerance = 1e-14;
    const double points[][2] = {
        {3e-3, -5e-3},
        {7e-3, 7e-3},
        {-9e-3, 1e-9},
        {kTwoToMinus52, 1024.0 * kTwoToMinus52},
        {-kTwoToMinus52, -kTwoToMinus52},
    };
    for (const auto& p : points) {
        const double s = p[0] * p[0] + p[1] * p[1];
        ASSERT_LE(s, 1e-4);
        const double g = std::sqrt(-2.0 * std::log(s) / s);
        const auto pair = polarPair(p[0], p[1]);
        EXPECT_NEAR(pair[0], p[0] * g, std::fabs(p[0] * g) * kRelativeTolerance) << p[0];
        EXPECT_NEAR(pair[1], p[1] * g, std::fabs(p[1] * g) * kRelativeTolerance) << p[1];
    }
    // Just above the threshold the plain formula is used as it stands.
    const double u1 = 0.01;
    const double u2 = 0.0001;
    const double s = u1 * u1 + u2 * u2;
    ASSERT_GT(s, 1e-4);
    const double g = std::sqrt(-2.0 * std::log(s) / s);
    EXPECT_EQ(polarPair(u1, u2)[0], u1 * g);
    EXPECT_EQ(polarPair(u1, u2)[1], u2 * g);
}

TEST(PolarNormal, DrawsHaveZeroMeanAndTheRequestedSpread) {
    constexpr int kDraws = 200000;
    // Five standard errors of the mean and of the variance estimate.
    constexpr double kMeanTolerance = 5.0 / 447.0;
    constexpr double kVarianceTolerance = 5.0 * 0.00317;
    for (const double sigma : {1.0, 2.5}) {
        MersenneTwister engine(99);
        testing_support::PairedNormal normal(sigma);
        double sum = 0.0;
        double sumSquares = 0.0;
        for (int n = 0; n < kDraws; ++n) {
            const double x = normal(engine) / sigma;
            sum += x;
            sumSquares += x * x;
        }
        const double mean = sum / kDraws;
        EXPECT_NEAR(mean, 0.0, kMeanTolerance) << sigma;
        EXPECT_NEAR(sumSquares / kDraws - mean * mean, 1.0, kVarianceTolerance) << sigma;
    }
}

// The branch-free batch must accept exactly the candidates the one-at-a-time draw accepts and
// leave the engine at the same output, whatever the batch size, and wherever the engine stands in
// its block of outputs (a candidate may then straddle two blocks).
TEST(PolarNormal, BatchDrawsEqualSingleDraws) {
    for (const std::size_t count : {std::size_t{0}, std::size_t{1}, std::size_t{2}, std::size_t{257}, std::size_t{5000}}) {
        for (const unsigned used : {0u, 1u, 3u, 622u}) {
            MersenneTwister batchEngine(7);
            MersenneTwister singleEngine(7);
            batchEngine.discard(used);
            singleEngine.discard(used);
            std::vector<PolarPoint> batch(count);
            drawPolarPoints(batchEngine, batch);
            for (std::size_t n = 0; n < count; ++n) {
                const PolarPoint single = drawPolarPoint(singleEngine);
                ASSERT_EQ(batch[n].u1, single.u1) << count << " " << used << " " << n;
                ASSERT_EQ(batch[n].u2, single.u2) << count << " " << used << " " << n;
            }
            EXPECT_EQ(batchEngine(), singleEngine()) << count << " " << used;
        }
    }
}

}  // namespace
}  // namespace quorvel
