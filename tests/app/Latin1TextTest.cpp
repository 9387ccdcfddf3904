#include <gtest/gtest.h>

#include <string>

#include "app/Latin1Text.h"

namespace quorvel {
namespace {

TEST(Latin1ToUtf8, AsciiStaysAndUpperHalfTakesTwoBytes) {
    struct Case {
        std::string latin1;
        std::string utf8;
    };
    const Case cases[] = {
        {"", ""},
        {".", "."},
        {"/tmp/out dir", "/tmp/out dir"},
        {"\x7F", "\x7F"},
        {"\x80", "\xC2\x80"},
        {"\xBF", "\xC2\xBF"},
        {"\xC0", "\xC3\x80"},
        {"caf\xE9", "caf\xC3\xA9"},
        {"\xFF", "\xC3\xBF"},
        {"\xE4\xF6\xFC/x", "\xC3\xA4\xC3\xB6\xC3\xBC/x"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(latin1ToUtf8(c.latin1), c.utf8) << c.latin1;
    }
}

}  // namespace
}  // namespace quorvel
