#pragma once
// The text of one sample value in a CSV file: the general format with 6 significant digits,
// byte for byte what printf's "%.6g" writes in the "C" locale, whatever the process locale.

#include <cstddef>
#include <span>
#include <string>

#include "common/Signal.h"

namespace quorvel {

// Room for the longest text formatSample writes ("-1.23457e-308" is 13 characters).
inline constexpr std::size_t kMaxSampleTextLength = 16;

// Writes the value into [first, last) and returns the end of the text written; the caller
// provides at least kMaxSampleTextLength characters. Non-finite values: "inf", "-inf", "nan".
char* formatSample(char* first, char* last, double value);

// The same text as a string.
std::string formatSample(double value);

// Room for the longest line: two values, the comma and CR LF.
inline constexpr std::size_t kMaxSampleLineLength = 2 * kMaxSampleTextLength + 3;

// Writes one "I,Q\r\n" line per sample from out on and returns the end; the caller provides
// kMaxSampleLineLength characters per sample.
char* formatSampleLines(char* out, std::span<const ComplexSample> samples);

}  // namespace quorvel
