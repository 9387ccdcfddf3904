#include "export/SampleFormat.h"
#include "support/NonFinite.h"

#include <gtest/gtest.h>

#include <bit>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <random>
#include <string>

namespace quorvel {
namespace {

using testing_support::kInf;
using testing_support::kNaN;

// The independent reference: the C library's own "%.6g".
std::string printfG6(double value) {
    char text[64];
    const int length = std::snprintf(text, sizeof text, "%.6g", value);
    return std::string(text, static_cast<std::size_t>(length));
}

struct SampleFormatFormatCase {
    double value;
    const char* text;
};

const SampleFormatFormatCase kFormatCases[] = {
    {1.0, "1"},
    {0.5, "0.5"},
    {-0.7071067811865476, "-0.707107"},
    {123456.7, "123457"},
    {1234567.0, "1.23457e+06"},
    {0.00001234, "1.234e-05"},
    {-0.0, "-0"},
    {0.0, "0"},
    {1e-5, "1e-05"},
    {1e-4, "0.0001"},
    {0.0001234, "0.0001234"},
    {123456.5, "123456"},  // an exact tie rounds to even
    {123457.5, "123458"},
    {999999.5, "1e+06"},
    {999999.4, "999999"},
    {100000.0, "100000"},
    {1e6, "1e+06"},
    {0.1, "0.1"},
    {1.0 / 3.0, "0.333333"},
    {-1.5, "-1.5"},
    {2.5e-5, "2.5e-05"},
    {1e100, "1e+100"},
    {-1.7976931348623157e308, "-1.79769e+308"},
    {2.2250738585072014e-308, "2.22507e-308"},
    {-1.23456789e-308, "-1.23457e-308"},
    {4.9406564584124654e-324, "4.94066e-324"},
    {1e-320, "9.99989e-321"},
    {kInf, "inf"},
    {-kInf, "-inf"},
};

TEST(SampleFormat, GoldenValuesMatchPrintf) {
    for (const auto& c : kFormatCases) {
        EXPECT_EQ(formatSample(c.value), c.text);
        EXPECT_EQ(formatSample(c.value), printfG6(c.value)) << c.text;
    }
}

TEST(SampleFormat, NotANumberIsSpelledWithoutSign) {
    EXPECT_EQ(formatSample(kNaN), "nan");
    EXPECT_EQ(formatSample(-kNaN), "nan");
    EXPECT_EQ(formatSample(std::bit_cast<double>(std::uint64_t{0x7FF0000000000001})), "nan");
}

// Formats with exactly kMaxSampleTextLength of room and checks it against printf.
::testing::AssertionResult matchesPrintf(double value) {
    char text[kMaxSampleTextLength];
    const char* end = formatSample(text, text + kMaxSampleTextLength, value);
    const std::string actual(static_cast<const char*>(text), end);
    const std::string expected = printfG6(value);
    if (actual == expected) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << std::bit_cast<std::uint64_t>(value) << ": " << actual << " vs " << expected;
}

constexpr int kRandomValues = 200000;

TEST(SampleFormat, RandomBitPatternsMatchPrintf) {
    std::mt19937_64 engine(20240611);
    int failures = 0;
    for (int n = 0; n < kRandomValues && failures < 10; ++n) {
        const double value = std::bit_cast<double>(engine());
        if (!std::isnan(value) && !matchesPrintf(value)) {
            ADD_FAILURE() << matchesPrintf(value).message();
            ++failures;
        }
    }
}

TEST(SampleFormat, RandomMagnitudesMatchPrintf) {
    std::mt19937_64 engine(7);
    std::uniform_real_distribution<double> exponent(-320.0, 300.0);
    std::uniform_real_distribution<double> mantissa(1.0, 10.0);
    int failures = 0;
    for (int n = 0; n < kRandomValues && failures < 10; ++n) {
        const double sign = (engine() & 1u) != 0 ? -1.0 : 1.0;
        const double value = sign * mantissa(engine) * std::pow(10.0, exponent(engine));
        if (!matchesPrintf(value)) {
            ADD_FAILURE() << matchesPrintf(value).message();
            ++failures;
        }
    }
}

// Seven-digit decimals ending in 5 sit next to a rounding boundary of the sixth digit.
TEST(SampleFormat, NearTiesMatchPrintf) {
    std::mt19937 engine(99);
    std::uniform_int_distribution<int> digits(100000, 999999);
    std::uniform_int_distribution<int> exponent(-12, 12);
    int failures = 0;
    for (int n = 0; n < kRandomValues && failures < 10; ++n) {
        const double value = (digits(engine) * 10 + 5) * std::pow(10.0, exponent(engine));
        if (!matchesPrintf(value)) {
            ADD_FAILURE() << matchesPrintf(value).message();
            ++failures;
        }
    }
}

TEST(SampleFormat, ProcessLocaleDoesNotChangeTheDecimalPoint) {
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    bool commaLocale = false;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8"}) {
        if (std::setlocale(LC_ALL, name) != nullptr &&
            std::string_view(std::localeconv()->decimal_point) == ",") {
            commaLocale = true;
            break;
        }
    }
    const std::string half = formatSample(0.5);
    const std::string large = formatSample(-1234567.0);
    std::setlocale(LC_ALL, saved.c_str());
    if (!commaLocale) {
        GTEST_SKIP() << "no locale with a decimal comma is installed";
    }
    EXPECT_EQ(half, "0.5");
    EXPECT_EQ(large, "-1.23457e+06");
}

}  // namespace
}  // namespace quorvel
