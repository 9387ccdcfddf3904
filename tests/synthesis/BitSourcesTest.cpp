// The bit sources against their definitions: each O.150 sequence follows its recurrence from all
// ones and has period 2^n - 1; a payload is read most significant bit first and repeated.
#include <gtest/gtest.h>

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
