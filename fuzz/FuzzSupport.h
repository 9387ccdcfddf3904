#pragma once
// What the fuzz targets share: a failed invariant aborts with its description (libFuzzer then
// keeps the input as a crash), and the decoding of awkward numbers from the fuzz input.

#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string_view>

namespace quorvel::fuzzing {

inline void require(bool condition, const char* invariant) {
    if (!condition) {
        std::fprintf(stderr, "Invariant broken: %s\n", invariant);
        std::abort();
    }
}

// A refusal is one line a terminal shows as it stands: no control characters, no newline.
inline bool printable(std::string_view text) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            return false;
        }
    }
    return true;
}

// A double that is often one of the values that break arithmetic: not-a-number, the infinities,
// zeros of both signs, the extremes of the range, or else any bit pattern.
inline double awkwardDouble(FuzzedDataProvider& data) {
    constexpr std::array<double, 12> special = {
        std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
        -std::numeric_limits<double>::infinity(), 0.0, -0.0, std::numeric_limits<double>::max(),
        -std::numeric_limits<double>::max(), std::numeric_limits<double>::denorm_min(),
        std::numeric_limits<double>::min(), 1.0, -1.0, 1e300};
    switch (data.ConsumeIntegralInRange<int>(0, 3)) {
        case 0:
            return special[data.ConsumeIntegralInRange<std::size_t>(0, special.size() - 1)];
        case 1:
            return data.ConsumeFloatingPoint<double>();
        default:
            return data.ConsumeFloatingPointInRange<double>(-1e6, 1e6);
    }
}

// An int32 that is usually one of the given values and otherwise anything.
template <std::size_t N>
std::int32_t pickOrAny(FuzzedDataProvider& data, const std::array<std::int32_t, N>& usual) {
    if (data.ConsumeBool()) {
        return usual[data.ConsumeIntegralInRange<std::size_t>(0, N - 1)];
    }
    return data.ConsumeIntegral<std::int32_t>();
}

}  // namespace quorvel::fuzzing
