#include "request/FieldParsing.h"

#include <cerrno>
#include <limits>
#include <type_traits>

#include <locale.h>
#include <wchar.h>

namespace quorvel {
namespace {

// The "C" locale, made once: the process-wide locale may have been changed (a GUI toolkit sets
// it from the environment at start-up) and must not change how a field parses.
locale_t classicLocale() {
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", nullptr);
    return locale;
}

// Each code unit becomes one wide character of the same value; a non-ASCII unit can only end
// the number early, so neither surrogate pairs nor UTF-8 need decoding.
template <typename Char>
std::wstring widen(std::basic_string_view<Char> text) {
    std::wstring wide;
    wide.reserve(text.size());
    for (const Char unit : text) {
        wide.push_back(static_cast<wchar_t>(static_cast<std::make_unsigned_t<Char>>(unit)));
    }
    return wide;
}

// True when the conversion consumed something, reached the end of the text and set no range
// error. An embedded NUL ends the conversion early and so also fails the second test.
bool convertedWholeText(const std::wstring& wide, const wchar_t* end, int error) {
    const wchar_t* begin = wide.c_str();
    return end != begin && end == begin + wide.size() && error != ERANGE;
}

std::optional<double> parseReal(const std::wstring& wide) {
    wchar_t* end = nullptr;
    errno = 0;
    const double value = wcstod_l(wide.c_str(), &end, classicLocale());
    if (!convertedWholeText(wide, end, errno)) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::int32_t> parseInteger(const std::wstring& wide) {
    wchar_t* end = nullptr;
    errno = 0;
    const long value = wcstol_l(wide.c_str(), &end, 10, classicLocale());
    if (!convertedWholeText(wide, end, errno)) {
        return std::nullopt;
    }
    // Where long is wider than 32 bits, a value that fits long but not 32 bits is a range error
    // all the same.
    if (value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max()) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(value);
}

}  // namespace

std::optional<double> parseRealField(std::u16string_view text) { return parseReal(widen(text)); }
std::optional<double> parseRealField(std::string_view text) { return parseReal(widen(text)); }
std::optional<std::int32_t> parseIntegerField(std::u16string_view text) { return parseInteger(widen(text)); }
std::optional<std::int32_t> parseIntegerField(std::string_view text) { return parseInteger(widen(text)); }

std::string narrowText(std::u16string_view text) {
    std::string narrow;
    narrow.reserve(text.size());
    for (const char16_t unit : text) {
        narrow.push_back(static_cast<char>(static_cast<unsigned char>(unit & 0xFFu)));
    }
    return narrow;
}

}  // namespace quorvel
