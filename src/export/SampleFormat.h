#pragma once
// The text of one sample value in a CSV file: the general format with 6 significant digits,
// byte for byte what printf's "%.6g" writes in the "C" locale, whatever the process locale.

#include <cstddef>
#include <string>

namespace quorvel {

// Room for the longest text formatSample writes ("-1.23457e-308" is 13 characters).
inline constexpr std::size_t kMaxSampleTextLength = 16;

// Writes the value into [first, last) and returns the end of the text written; the caller
// provides at least kMaxSampleTextLength characters. Non-finite values: "inf", "-inf", "nan".
char* formatSample(char* first, char* last, double value);

// The same text as a string.
std::string formatSample(double value);

}  // namespace quorvel
