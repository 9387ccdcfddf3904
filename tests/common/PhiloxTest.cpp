// Philox4x32-10 against the known-answer vectors Random123 publishes (kat_vectors), and the block
// derivation's independence of the order blocks are made in.

#include "common/Philox.h"

#include <gtest/gtest.h>

#include <set>

namespace quorvel {
namespace {

TEST(Philox, MatchesRandom123KnownAnswers) {
    struct Vector {
        PhiloxCounter counter;
        PhiloxKey key;
        PhiloxCounter expected;
    };
    const Vector vectors[] = {
        {{0, 0, 0, 0}, {0, 0}, {0x6627e8d5, 0xe169c58d, 0xbc57ac4c, 0x9b00dbd8}},
        {{0xffffffff, 0xffffffff, 0xffffffff, 0xffffffff},
         {0xffffffff, 0xffffffff},
         {0x408f276d, 0x41c83b0e, 0xa20bc7c6, 0x6d5451fd}},
        {{0x243f6a88, 0x85a308d3, 0x13198a2e, 0x03707344},
         {0xa4093822, 0x299f31d0},
         {0xd16cfe09, 0x94fdcceb, 0x5001e420, 0x24126ea1}},
    };
    for (const Vector& v : vectors) {
        EXPECT_EQ(philox4x32(v.counter, v.key), v.expected) << std::hex << v.counter[0];
    }
}

// Draw k of block b is word k % 4 of the counter (b low, b high, k / 4, 0) under key (seed, stream).
TEST(Philox, BlockDrawsAreTheCountersOfTheirDerivation) {
    struct Case {
        std::uint32_t seed;
        std::uint32_t stream;
        std::uint64_t block;
    };
    for (const Case c : {Case{1, 0, 0}, Case{7, 3, 0x123456789aULL}, Case{0xffffffff, 0xffffffff, ~0ULL}}) {
        CounterDraws draws(c.seed, c.stream, c.block);
        for (std::uint32_t group = 0; group < 3; ++group) {
            const PhiloxCounter words = philox4x32(
                {static_cast<std::uint32_t>(c.block), static_cast<std::uint32_t>(c.block >> 32), group, 0},
                {c.seed, c.stream});
            for (const std::uint32_t word : words) {
                EXPECT_EQ(draws.next(), word) << c.seed << " group " << group;
            }
        }
    }
}

// Side by side, each counter (here the known-answer counter under its key, and others made from
// it) gives the words it gives alone, in every lane and in a partly filled batch.
TEST(Philox, ColumnsGiveEachCountersWords) {
    const PhiloxKey key{0xa4093822, 0x299f31d0};
    for (const std::size_t count : {kPhiloxColumns, std::size_t{37}}) {
        PhiloxColumns columns{};
        for (std::uint32_t n = 0; n < count; ++n) {
            columns.w0[n] = 0x243f6a88 + n * 0x9e3779b9u;
            columns.w1[n] = 0x85a308d3 ^ (n << 7);
            columns.w2[n] = 0x13198a2e + n;
            columns.w3[n] = 0x03707344 * (n + 1);
        }
        const PhiloxColumns counters = columns;
        philox4x32(columns, count, key);
        EXPECT_EQ(columns.w0[0], 0xd16cfe09u);
        for (std::uint32_t n = 0; n < kPhiloxColumns; ++n) {
            const PhiloxCounter in{counters.w0[n], counters.w1[n], counters.w2[n], counters.w3[n]};
            const PhiloxCounter expected = n < count ? philox4x32(in, key) : in;
            EXPECT_EQ((PhiloxCounter{columns.w0[n], columns.w1[n], columns.w2[n], columns.w3[n]}), expected) << n;
        }
    }
}

TEST(Philox, NeighbouringSeedsStreamsAndBlocksDiffer) {
    std::set<std::uint32_t> firsts;
    for (std::uint32_t seed = 0; seed < 4; ++seed) {
        for (std::uint32_t stream = 0; stream < 4; ++stream) {
            for (std::uint64_t block = 0; block < 4; ++block) {
                firsts.insert(CounterDraws(seed, stream, block).next());
            }
        }
    }
    EXPECT_EQ(firsts.size(), 64u);
    CounterDraws uniform(5, 0, 0);
    for (int k = 0; k < 1000; ++k) {
        const double u = uniform.uniform();
        ASSERT_GE(u, 0.0);
        ASSERT_LT(u, 1.0);
    }
}

}  // namespace
}  // namespace quorvel
