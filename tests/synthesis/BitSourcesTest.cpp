// The bit sources against their definitions: each O.150 sequence follows its recurrence from all
// ones and has period 2^n - 1; a payload is read most significant bit first and repeated.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <vector>

#include "common/TransmitterChoices.h"
#include "support/TempDir.h"
#include "synthesis/BitSources.h"
#include "synthesis/RunCheck.h"

namespace quorvel {
namespace {

struct Sequence {
    BitSource source;
    int degree;  // x^degree + x^other + 1
    int other;
};

constexpr Sequence kSequences[] = {{BitSource::Prbs7, 7, 6},   {BitSource::Prbs9, 9, 5},
                                   {BitSource::Prbs15, 15, 14}, {BitSource::Prbs23, 23, 18},
                                   {BitSource::Prbs31, 31, 28}};

TEST(BitSources, EachSequenceFollowsItsRecurrenceFromAllOnes) {
    for (const Sequence s : kSequences) {
        // b[j] = b[j - degree] ^ b[j - other], the bits before the first all ones.
        std::vector<int> bits(static_cast<std::size_t>(s.degree), 1);
        Transmitter t;
        t.bits = s.source;
        BitSymbols symbols(t, 2);
        for (int j = 0; j < 2000; ++j) {
            const std::size_t at = bits.size();
            bits.push_back(bits[at - static_cast<std::size_t>(s.degree)] ^ bits[at - static_cast<std::size_t>(s.other)]);
            ASSERT_EQ(symbols.next(), bits.back()) << bitSourceChoice(s.source).name << " bit " << j;
        }
    }
}

TEST(BitSources, EachShortSequenceHasItsFullPeriod) {
    for (const Sequence s : kSequences) {
        if (s.degree > 23) continue;  // 2^31 steps would take the test minutes
        const BitSourceChoice& choice = bitSourceChoice(s.source);
        PrbsRegister reg(choice.length, choice.tap);
        std::vector<int> first(64);
        for (auto& bit : first) bit = reg.next();
        const std::uint64_t period = (std::uint64_t{1} << s.degree) - 1;
        for (std::uint64_t n = 64; n < period; ++n) reg.next();
        // After one period the sequence starts again, and not before (a maximal register).
        std::vector<int> again(64);
        for (auto& bit : again) bit = reg.next();
        EXPECT_EQ(again, first) << choice.name;
    }
}

// O.150 describes each sequence by its longest run of zeros: n for the inverted 2^n-1 sequences
// (15, 23, 31), n-1 for the uninverted ones (its 2^9-1, and our uninverted 2^15-1).
TEST(BitSources, LongestRunOfZerosIsOnePerO150) {
    const struct {
        BitSource source;
        int degree;
        int longestZeros;
    } cases[] = {{BitSource::Prbs9, 9, 8},
                 {BitSource::Prbs15, 15, 14},
                 {BitSource::Prbs15Inverted, 15, 15},
                 {BitSource::Prbs23Inverted, 23, 23}};
    for (const auto& c : cases) {
        Transmitter t;
        t.bits = c.source;
        BitSymbols bits(t, 2);
        int run = 0;
        int longest = 0;
        // One period and a register's length more, so that a run across the wrap is counted whole.
        const std::uint64_t steps = (std::uint64_t{1} << c.degree) - 1 + static_cast<std::uint64_t>(c.degree);
        for (std::uint64_t n = 0; n < steps; ++n) {
            run = bits.next() == 0 ? run + 1 : 0;
            longest = std::max(longest, run);
        }
        EXPECT_EQ(longest, c.longestZeros) << bitSourceChoice(c.source).name;
    }
}

TEST(BitSources, PayloadIsReadMostSignificantBitFirstAndRepeated) {
    testing_support::TempDir dir;
    const std::string path = dir.file("payload.bin");
    std::ofstream(path, std::ios::binary) << '\xA5' << '\x0F';  // 1010 0101 0000 1111
    Transmitter t;
    t.bits = BitSource::File;
    t.bitsFile = path;
    BitSymbols pairs(t, 4);
    std::vector<std::int32_t> got(10);
    for (auto& s : got) s = pairs.next();
    EXPECT_EQ(got, (std::vector<std::int32_t>{2, 2, 1, 1, 0, 0, 3, 3, 2, 2}));
    BitSymbols triples(t, 8);  // 101 001 010 000 111 1|10 100 ...: the last symbol straddles the end
    std::vector<std::int32_t> tri(7);
    for (auto& s : tri) s = triples.next();
    EXPECT_EQ(tri, (std::vector<std::int32_t>{5, 1, 2, 0, 7, 6, 4}));

    EXPECT_FALSE(payloadRefusal(path, 11).has_value());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << 'x';
    EXPECT_TRUE(payloadRefusal(path, 11).has_value());  // 8 bits < one 2048-QAM symbol
    EXPECT_FALSE(payloadRefusal(path, 8).has_value());
    EXPECT_TRUE(payloadRefusal(dir.str(), 1).has_value());
}

}  // namespace
}  // namespace quorvel
