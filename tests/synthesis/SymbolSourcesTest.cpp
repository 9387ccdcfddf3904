#include "synthesis/SymbolSources.h"

#include <gtest/gtest.h>

#include <vector>

namespace quorvel {
namespace {

struct PrnCase {
    std::int32_t alphabetSize;
    SymbolSequence firstEight;
};

class Prn15FirstIndices : public testing::TestWithParam<PrnCase> {};

TEST_P(Prn15FirstIndices, MatchTheRegisterSequence) {
    const auto& c = GetParam();
    EXPECT_EQ(drawPrn15Symbols(c.alphabetSize, 8), c.firstEight);
}

INSTANTIATE_TEST_SUITE_P(Table, Prn15FirstIndices,
                         testing::Values(PrnCase{2, {0, 0, 0, 0, 0, 1, 0, 1}},
                                         PrnCase{4, {0, 0, 0, 0, 0, 1, 2, 1}},
                                         PrnCase{16, {4, 8, 0, 0, 0, 1, 2, 5}},
                                         PrnCase{2048, {1364, 680, 1360, 672, 1344, 641, 1282, 517}}));

class Prn7FirstIndices : public testing::TestWithParam<PrnCase> {};

TEST_P(Prn7FirstIndices, MatchTheRegisterSequence) {
    const auto& c = GetParam();
    EXPECT_EQ(drawPrn7Symbols(c.alphabetSize, 8), c.firstEight);
}

INSTANTIATE_TEST_SUITE_P(Table, Prn7FirstIndices,
                         testing::Values(PrnCase{2, {1, 1, 1, 1, 1, 1, 0, 0}},
                                         PrnCase{4, {3, 3, 3, 3, 3, 3, 2, 0}},
                                         PrnCase{16, {11, 7, 15, 15, 15, 15, 14, 12}},
                                         PrnCase{256, {171, 87, 175, 95, 191, 127, 254, 252}},
                                         PrnCase{1024, {171, 87, 175, 95, 191, 127, 254, 252}},
                                         PrnCase{2048, {171, 87, 175, 95, 191, 127, 254, 252}}));

// Smallest p > 0 with s[n + p] == s[n] for every n of the sequence.
std::size_t shortestPeriod(const SymbolSequence& s) {
    for (std::size_t p = 1; p < s.size(); ++p) {
        bool repeats = true;
        for (std::size_t n = 0; n + p < s.size() && repeats; ++n) {
            repeats = s[n] == s[n + p];
        }
        if (repeats) {
            return p;
        }
    }
    return 0;
}

TEST(PrnSources, RepeatWithTheirPeriodsForEveryAlphabet) {
    for (std::int32_t m : {2, 4, 8, 16, 32, 64, 256, 1024, 2048}) {
        EXPECT_EQ(shortestPeriod(drawPrn15Symbols(m, 5000)), 1395u) << "PRN 15, M = " << m;
        EXPECT_EQ(shortestPeriod(drawPrn7Symbols(m, 1000)), 127u) << "PRN 7, M = " << m;
    }
}

TEST(PrnSources, RestartForEveryCall) {
    EXPECT_EQ(drawPrn15Symbols(16, 300), drawPrn15Symbols(16, 300));
    EXPECT_EQ(drawPrn7Symbols(16, 300), drawPrn7Symbols(16, 300));
}

TEST(RandomSource, EachIndexIsTheTopBitsOfOneEngineOutput) {
    for (std::int32_t m : {2, 4, 16, 2048}) {
        int bits = 0;
        while ((1 << bits) < m) {
            ++bits;
        }
        SymbolEngine engine(1234);
        SymbolEngine reference(1234);
        const auto symbols = drawRandomSymbols(m, 1000, engine);
        for (auto symbol : symbols) {
            EXPECT_EQ(static_cast<std::uint32_t>(symbol), reference() >> (32 - bits)) << "M = " << m;
        }
        // Exactly count outputs were taken: both engines are at the same position now.
        EXPECT_EQ(engine(), reference());
    }
}

TEST(RandomSource, NonPowerOfTwoAlphabetStaysInRangeAndUniform) {
    SymbolEngine engine(7);
    const std::int32_t m = 3;
    std::vector<int> histogram(m, 0);
    for (auto symbol : drawRandomSymbols(m, 30000, engine)) {
        ASSERT_GE(symbol, 0);
        ASSERT_LT(symbol, m);
        ++histogram[static_cast<std::size_t>(symbol)];
    }
    for (int h : histogram) {
        EXPECT_NEAR(h, 10000, 400);
    }
}

TEST(RandomSource, EngineRunsOnBetweenDraws) {
    SymbolEngine engine(99);
    EXPECT_NE(drawRandomSymbols(2048, 50, engine), drawRandomSymbols(2048, 50, engine));
}

TEST(RandomSource, EngineIsThePublishedMersenneTwister) {
    // The 10000th output of MT19937 with the default seed 5489.
    SymbolEngine engine(5489);
    engine.discard(9999);
    EXPECT_EQ(engine(), 4123659995u);
}

TEST(DrawSymbols, DispatchesOnTheSource) {
    SymbolEngine a(5);
    SymbolEngine b(5);
    EXPECT_EQ(drawSymbols(DataSource::CurrentRandom, 16, 40, a), drawRandomSymbols(16, 40, b));
    EXPECT_EQ(drawSymbols(DataSource::Prn15Lfsr, 16, 40, a), drawPrn15Symbols(16, 40));
    EXPECT_EQ(drawSymbols(DataSource::Prn7Lfsr, 16, 40, a), drawPrn7Symbols(16, 40));
}

TEST(DrawSymbols, UnofferedSourceGivesZeros) {
    SymbolEngine engine(5);
    EXPECT_EQ(drawSymbols(static_cast<DataSource>(3), 4, 6, engine), SymbolSequence(6, 0));
}

}  // namespace
}  // namespace quorvel
