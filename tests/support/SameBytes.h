#pragma once
// Byte-for-byte comparison of whole files and formatted texts that stays short when it fails:
// sizes, digests and the first offset where they part, with a few bytes of hex either side.
// GoogleTest's own EXPECT_EQ on two strings builds a line diff whose memory grows with the
// product of their lengths, which on two recordings of 200 000 lines exhausts the machine.
//
//     EXPECT_TRUE(sameBytes(readBytes(made), readBytes(reference))) << "file " << k;
//     EXPECT_FALSE(sameBytes(readBytes(first), readBytes(second)));

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>

namespace quorvel::testing_support {

inline std::uint64_t fnv1aDigest(std::string_view bytes) {
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (const char byte : bytes) {
        hash = (hash ^ static_cast<unsigned char>(byte)) * 0x100000001b3ULL;
    }
    return hash;
}

// The first offset at which a and b differ, counting the end of the shorter as a difference;
// none when they are equal.
inline std::optional<std::size_t> firstDifference(std::string_view a, std::string_view b) {
    const std::size_t common = std::min(a.size(), b.size());
    const auto parted =
        std::mismatch(a.begin(), a.begin() + static_cast<std::ptrdiff_t>(common), b.begin());
    const auto offset = static_cast<std::size_t>(parted.first - a.begin());
    if (offset == common && a.size() == b.size()) {
        return std::nullopt;
    }
    return offset;
}

namespace same_bytes_detail {

constexpr std::size_t kContextBefore = 8;
constexpr std::size_t kContextAfter = 8;

inline std::string hexContext(std::string_view bytes, std::size_t from, std::size_t to) {
    std::string hex;
    std::string shown;
    for (std::size_t k = from; k < std::min(to, bytes.size()); ++k) {
        const auto byte = static_cast<unsigned char>(bytes[k]);
        char cell[4];
        std::snprintf(cell, sizeof cell, "%02x ", byte);
        hex += cell;
        shown += byte >= 0x20 && byte < 0x7f ? static_cast<char>(byte) : '.';
    }
    return hex + "|" + shown + "|";
}

inline std::string summary(std::string_view bytes) {
    char digest[19];
    std::snprintf(digest, sizeof digest, "%016llx",
                  static_cast<unsigned long long>(fnv1aDigest(bytes)));
    return std::to_string(bytes.size()) + " bytes, fnv1a " + digest;
}

}  // namespace same_bytes_detail

inline ::testing::AssertionResult sameBytes(std::string_view actual, std::string_view expected) {
    using namespace same_bytes_detail;
    const auto offset = firstDifference(actual, expected);
    if (!offset) {
        return ::testing::AssertionSuccess() << "both " << summary(actual);
    }
    const std::size_t from = *offset > kContextBefore ? *offset - kContextBefore : 0;
    const std::size_t to = *offset + kContextAfter;
    return ::testing::AssertionFailure()
           << "first differ at byte " << *offset << "\n  actual:   " << summary(actual)
           << "\n  expected: " << summary(expected) << "\n  actual   @" << from << ": "
           << hexContext(actual, from, to) << "\n  expected @" << from << ": "
           << hexContext(expected, from, to);
}

namespace same_bytes_detail {

template <typename Value>
std::string describe(const Value& value) {
    if constexpr (requires {
                      value.i;
                      value.q;
                  }) {
        std::ostringstream out;
        out.precision(17);
        out << "(" << value.i << ", " << value.q << ")";
        return out.str();
    } else {
        return ::testing::PrintToString(value);
    }
}

}  // namespace same_bytes_detail

// The same for two sequences of values (sample buffers, symbol lists) compared with their ==:
// the counts and the first index where they part, its two values written out.
template <typename Actual, typename Expected>
::testing::AssertionResult sameValues(const Actual& actual, const Expected& expected) {
    using same_bytes_detail::describe;
    const std::size_t common = std::min<std::size_t>(actual.size(), expected.size());
    std::size_t index = 0;
    while (index < common && actual[index] == expected[index]) {
        ++index;
    }
    if (index == common && actual.size() == expected.size()) {
        return ::testing::AssertionSuccess() << "both " << actual.size() << " values";
    }
    std::string text = "first differ at index " + std::to_string(index) + " of " +
                       std::to_string(actual.size()) + " (actual) and " +
                       std::to_string(expected.size()) + " (expected)";
    if (index < actual.size()) {
        text += "\n  actual:   " + describe(actual[index]);
    }
    if (index < expected.size()) {
        text += "\n  expected: " + describe(expected[index]);
    }
    return ::testing::AssertionFailure() << text;
}

}  // namespace quorvel::testing_support
