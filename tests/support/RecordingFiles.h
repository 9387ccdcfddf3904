#pragma once
// Independent readers of the sample files for the tests: the cf32 bytes assembled by hand from
// their little-endian order, and the CSV values parsed with strtod.

#include <bit>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/TempDir.h"

namespace quorvel::testing_support {

// The values of a cf32_le file in file order (I0, Q0, I1, Q1, ...); a trailing partial value is
// dropped, so a caller checks the file size separately.
inline std::vector<float> readCf32Values(const std::string& path) {
    const std::string bytes = readBytes(path);
    std::vector<float> values;
    for (std::size_t at = 0; at + 4 <= bytes.size(); at += 4) {
        std::uint32_t bits = 0;
        for (int b = 3; b >= 0; --b) {
            bits = (bits << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(b)]);
        }
        values.push_back(std::bit_cast<float>(bits));
    }
    return values;
}

// The values of a CSV sample file in file order, the header line skipped.
inline std::vector<double> readCsvValues(const std::string& path) {
    const std::string text = readBytes(path);
    std::vector<double> values;
    const char* at = text.c_str() + text.find('\n') + 1;
    const char* const end = text.c_str() + text.size();
    while (at < end) {
        char* next = nullptr;
        values.push_back(std::strtod(at, &next));
        at = next + 1;  // past "," or "\r", and then past "\n" below
        if (at < end && *at == '\n') {
            ++at;
        }
    }
    return values;
}

}  // namespace quorvel::testing_support
