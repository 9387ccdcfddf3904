// The comparison the whole-file tests rely on: it finds the first differing byte, including a
// missing tail, and its failure stays a few lines however large the two texts are.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "common/Signal.h"
#include "support/SameBytes.h"

namespace quorvel {
namespace {

using testing_support::firstDifference;
using testing_support::sameBytes;
using testing_support::sameValues;

TEST(SameBytes, FindsTheFirstDifferenceAndAMissingTail) {
    struct Case {
        std::string a;
        std::string b;
        std::optional<std::size_t> offset;
    };
    const Case cases[] = {
        {"", "", std::nullopt},
        {"abc", "abc", std::nullopt},
        {"abc", "abd", 2},
        {"xbc", "abc", 0},
        {"ab", "abc", 2},
        {"abc", "ab", 2},
        {"", "x", 0},
        {std::string("a\0b", 3), "a", 1},
        {std::string(1000, 'z') + "1", std::string(1000, 'z') + "2", 1000},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(firstDifference(c.a, c.b), c.offset)
            << '"' << c.a << "\" against \"" << c.b << '"';
        EXPECT_EQ(static_cast<bool>(sameBytes(c.a, c.b)), !c.offset.has_value());
    }
}

// Two recordings of 200 000 lines that part in one digit: the report names the offset and the
// bytes around it, in a few hundred characters.
TEST(SameBytes, AFailureOnLargeTextsStaysShort) {
    std::string made;
    for (int n = 0; n < 200000; ++n) {
        made += std::to_string(n) + ",-0.5\r\n";
    }
    std::string expected = made;
    const std::size_t at = expected.find("123456,");
    expected[at + 5] = '7';
    const auto result = sameBytes(made, expected);
    ASSERT_FALSE(result);
    const std::string message = result.message();
    EXPECT_LT(message.size(), 400u) << message.substr(0, 400);
    EXPECT_NE(message.find("byte " + std::to_string(at + 5) + "\n"), std::string::npos) << message;
    EXPECT_NE(message.find("5..123456,-0.5..|"), std::string::npos) << message;
    EXPECT_NE(message.find("5..123457,-0.5..|"), std::string::npos) << message;
}

TEST(SameValues, NamesTheFirstDifferingSampleAndCountsLengths) {
    const SampleBuffer a = {{1.0, 2.0}, {3.0, 4.0}, {5.0, 6.0}};
    EXPECT_TRUE(sameValues(a, a));
    // Values compare as numbers: a signed zero is the same sample.
    EXPECT_TRUE(sameValues(SampleBuffer{{0.0, 0.0}}, SampleBuffer{{-0.0, 0.0}}));
    const SampleBuffer changed = {{1.0, 2.0}, {3.0, 4.5}, {5.0, 6.0}};
    const auto differ = sameValues(a, changed);
    ASSERT_FALSE(differ);
    EXPECT_NE(std::string(differ.message()).find("index 1 of 3"), std::string::npos)
        << differ.message();
    EXPECT_NE(std::string(differ.message()).find("(3, 4.5)"), std::string::npos)
        << differ.message();
    const auto shorter = sameValues(a, SampleBuffer(a.begin(), a.begin() + 2));
    ASSERT_FALSE(shorter);
    EXPECT_NE(std::string(shorter.message()).find("index 2 of 3 (actual) and 2"), std::string::npos)
        << shorter.message();
    EXPECT_TRUE(sameValues(std::vector<int>{1, 2}, std::vector<int>{1, 2}));
}

}  // namespace
}  // namespace quorvel
