#include "modulation/Oqpsk.h"

#include <gtest/gtest.h>

namespace quorvel {
namespace {

TEST(Oqpsk, FirstSymbolSetsBothRailsFromItsTwoLowestBits) {
    const struct {
        std::int32_t index;
        ComplexSample expected;
    } cases[] = {
        {0, {-1, -1}},
        {1, {1, -1}},
        {2, {-1, 1}},
        {3, {1, 1}},
        // Bits above bit 1 have no effect.
        {4, {-1, -1}},
        {7, {1, 1}},
        {6, {-1, 1}},
        {13, {1, -1}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(modulateOqpsk({c.index}), SampleBuffer{c.expected}) << "k=" << c.index;
    }
}

TEST(Oqpsk, AfterTheFirstSymbolOnlyOneRailChangesAlternatelyQThenI) {
    const struct {
        SymbolSequence symbols;
        SampleBuffer expected;
    } cases[] = {
        {{3, 0, 0, 2, 1}, {{1, 1}, {1, -1}, {-1, -1}, {-1, 1}, {1, 1}}},
        // The in-phase rail holds -1 although index 3 has bit 0 set.
        {{0, 3}, {{-1, -1}, {-1, 1}}},
        {{3, 0, 3, 0}, {{1, 1}, {1, -1}, {1, -1}, {1, -1}}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(modulateOqpsk(c.symbols), c.expected);
    }
}

TEST(Oqpsk, EmptyInputGivesEmptyOutput) {
    EXPECT_TRUE(modulateOqpsk({}).empty());
}

}  // namespace
}  // namespace quorvel
