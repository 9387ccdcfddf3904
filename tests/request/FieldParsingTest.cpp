#include "request/FieldParsing.h"
#include "support/NonFinite.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <optional>
#include <string>

namespace quorvel {
namespace {

using testing_support::kInf;
using testing_support::kNaN;

std::string describe(std::u16string_view text) {
    std::string out;
    for (const char16_t unit : text) {
        if (unit >= 0x20 && unit < 0x7F) {
            out.push_back(static_cast<char>(unit));
        } else {
            out += "\\u" + std::to_string(static_cast<unsigned>(unit));
        }
    }
    return "\"" + out + "\"";
}

struct RealCase {
    std::u16string_view text;
    std::optional<double> expected;  // nothing: invalid
};

const RealCase kRealCases[] = {
    {u"1000", 1000.0},
    {u" 1000", 1000.0},
    {u"\t\n 1000", 1000.0},
    {u"1000 ", std::nullopt},
    {u"1000\t", std::nullopt},
    {u"", std::nullopt},
    {u"   ", std::nullopt},
    {u"abc", std::nullopt},
    {u"12abc", std::nullopt},
    {u"1e", std::nullopt},
    {u"1,5", std::nullopt},
    {u"1.5", 1.5},
    {u"-0.25e2", -25.0},
    {u"+3", 3.0},
    {u".5", 0.5},
    {u"5.", 5.0},
    {u"1E3", 1000.0},
    {u"0x1p3", 8.0},
    {u"0x10", 16.0},
    {u"-0", -0.0},
    {u"1.7976931348623157e308", 1.7976931348623157e308},
    {u"2.2250738585072014e-308", 2.2250738585072014e-308},
    // Range errors: overflow, and underflow to zero or to a subnormal.
    {u"1e999", std::nullopt},
    {u"-1e999", std::nullopt},
    {u"1e-400", std::nullopt},
    {u"1e-310", std::nullopt},
    {u"inf", kInf},
    {u"-Infinity", -kInf},
    {u"nan", kNaN},
    {u"NAN(123)", kNaN},
    // Unicode spaces and digits are not white space or digits to the number conversion.
    {u"\u20031000", std::nullopt},
    {u"1000\u00a0", std::nullopt},
    {u"\uff11\uff10", std::nullopt},
    {u"\u22125", std::nullopt},
    // An embedded NUL ends the number before the end of the text.
    {std::u16string_view(u"12\0"
                         u"3",
                         4),
     std::nullopt},
};

void expectReal(const std::optional<double>& actual, const std::optional<double>& expected,
                std::u16string_view text) {
    ASSERT_EQ(actual.has_value(), expected.has_value()) << describe(text);
    if (!expected) {
        return;
    }
    if (std::isnan(*expected)) {
        EXPECT_TRUE(std::isnan(*actual)) << describe(text);
    } else {
        EXPECT_EQ(*actual, *expected) << describe(text);
        EXPECT_EQ(std::signbit(*actual), std::signbit(*expected)) << describe(text);
    }
}

TEST(FieldParsing, RealFieldsFollowTheConversionRules) {
    for (const auto& c : kRealCases) {
        expectReal(parseRealField(c.text), c.expected, c.text);
    }
}

struct IntegerCase {
    std::u16string_view text;
    std::optional<std::int32_t> expected;
};

const IntegerCase kIntegerCases[] = {
    {u"10000", 10000},
    {u"+10000", 10000},
    {u"  42", 42},
    {u"-7", -7},
    {u"007", 7},
    {u"2147483647", 2147483647},
    {u"-2147483648", -2147483647 - 1},
    {u"2147483648", std::nullopt},
    {u"-2147483649", std::nullopt},
    {u"9223372036854775807", std::nullopt},
    {u"9223372036854775808", std::nullopt},
    {u"1e4", std::nullopt},
    {u"10000.0", std::nullopt},
    {u"0x10", std::nullopt},
    {u"10 ", std::nullopt},
    {u"", std::nullopt},
    {u"   ", std::nullopt},
    {u"abc", std::nullopt},
    {u"- 5", std::nullopt},
    {u"\u22125", std::nullopt},
    {u"\u200310", std::nullopt},
};

TEST(FieldParsing, IntegerFieldsAreBaseTenAndThirtyTwoBit) {
    for (const auto& c : kIntegerCases) {
        EXPECT_EQ(parseIntegerField(c.text), c.expected) << describe(c.text);
    }
}

TEST(FieldParsing, NarrowTextKeepsTheLowByteOfEachCodeUnit) {
    const std::pair<std::u16string_view, std::string_view> cases[] = {
        {u"", ""},
        {u"./out", "./out"},
        {u"Gr\u00fc\u00dfe \u00ff",
         "Gr\xfc\xdf"
         "e \xff"},
        {u"\u0141\u20ac\u4e2d", "\x41\xac\x2d"},
        // A surrogate pair (U+1F600) gives two bytes, the second of them NUL.
        {u"a\U0001F600", std::string_view("a\x3d\x00", 3)},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(narrowText(text), expected) << describe(text);
    }
}

// Restores the process locale when it goes out of scope.
class LocaleGuard {
  public:
    LocaleGuard() : saved_(std::setlocale(LC_ALL, nullptr)) {}
    ~LocaleGuard() { std::setlocale(LC_ALL, saved_.c_str()); }
    LocaleGuard(const LocaleGuard&) = delete;
    LocaleGuard& operator=(const LocaleGuard&) = delete;

  private:
    std::string saved_;
};

// Sets a process locale whose decimal separator is a comma; false when none is installed.
bool setCommaDecimalLocale() {
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "ru_RU.UTF-8"}) {
        if (std::setlocale(LC_ALL, name) != nullptr &&
            std::string_view(std::localeconv()->decimal_point) == ",") {
            return true;
        }
    }
    return false;
}

TEST(FieldParsing, ProcessLocaleDoesNotChangeTheResults) {
    const LocaleGuard guard;
    if (!setCommaDecimalLocale()) {
        GTEST_SKIP() << "no locale with a decimal comma is installed";
    }
    for (const auto& c : kRealCases) {
        expectReal(parseRealField(c.text), c.expected, c.text);
    }
    for (const auto& c : kIntegerCases) {
        EXPECT_EQ(parseIntegerField(c.text), c.expected) << describe(c.text);
    }
}

}  // namespace
}  // namespace quorvel
