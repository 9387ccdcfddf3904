#pragma once
// The conversion of a setting's text into numbers and 8-bit text, for the control panel's fields
// (UTF-16) and the command line's values (bytes, each read as the code unit of the same value).
// The number rules are those of the C library's wcstod and wcstol, always in the "C" locale, so
// the decimal point is "." whatever locale the process runs in.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quorvel {

// The double the whole text spells (leading white space allowed; any form wcstod accepts,
// infinities and not-a-number included); nothing when no number starts the text, when anything
// follows it or when its magnitude is out of range for a double (overflow or underflow).
std::optional<double> parseRealField(std::u16string_view text);
std::optional<double> parseRealField(std::string_view text);

// The signed 32-bit integer the whole text spells in base 10 (leading white space and a sign
// allowed); nothing when no number starts the text, when anything follows it or when the value
// lies outside -2147483648 ... 2147483647.
std::optional<std::int32_t> parseIntegerField(std::u16string_view text);
std::optional<std::int32_t> parseIntegerField(std::string_view text);

// One byte per UTF-16 code unit, its low 8 bits: Latin-1 text survives, anything above U+00FF
// is mangled.
std::string narrowText(std::u16string_view text);

}  // namespace quorvel
