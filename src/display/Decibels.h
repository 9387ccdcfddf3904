#pragma once
// Power ratios in decibels, cheap enough to run over every bin of a million-point spectrum.

#include <bit>
#include <cstdint>

namespace quorvel {

namespace detail {

// Natural logarithm of a positive normal double, after fdlibm's e_log.c: x = 2^k z with z in
// [sqrt(1/2), sqrt(2)), and with f = z - 1, s = f / (2 + f),
// log z = f - (f^2/2 - s (f^2/2 + R(s^2))), R a minimax polynomial. No branches and no tables,
// so loops over it vectorise; about 1 ulp of error.
inline double naturalLog(double x) {
    constexpr double kLg1 = 6.666666666666735130e-01;
    constexpr double kLg2 = 3.999999999940941908e-01;
    constexpr double kLg3 = 2.857142874366239149e-01;
    constexpr double kLg4 = 2.222219843214978396e-01;
    constexpr double kLg5 = 1.818357216161805012e-01;
    constexpr double kLg6 = 1.531383769920937332e-01;
    constexpr double kLg7 = 1.479819860511658591e-01;
    constexpr double kLn2Hi = 6.93147180369123816490e-01;  // ln 2 in its leading 32 bits
    constexpr double kLn2Lo = 1.90821492927058770002e-10;  // and the rest
    constexpr std::uint64_t kOneBits = 0x3ff0000000000000;
    constexpr std::uint64_t kSqrtHalfBits = 0x3fe6a09e667f3bcd;
    constexpr std::uint64_t kExponentMask = 0xfff0000000000000;
    constexpr std::uint64_t kTwoPow52Bits = 0x4330000000000000;  // 2^52: its low bits hold ints
    constexpr double kTwoPow52PlusBias = 4503599627370496.0 + 1023.0;

    const std::uint64_t bits = std::bit_cast<std::uint64_t>(x);
    // Shifting by 1 - sqrt(1/2) in the bit pattern makes the exponent field roll over exactly
    // where the mantissa passes sqrt(2): the field then holds k + 1023.
    const std::uint64_t shifted = bits + (kOneBits - kSqrtHalfBits);
    const std::uint64_t biasedK = shifted >> 52;
    const double k = std::bit_cast<double>(kTwoPow52Bits | biasedK) - kTwoPow52PlusBias;
    const double z = std::bit_cast<double>(bits - (shifted & kExponentMask) + kOneBits);

    const double f = z - 1.0;
    const double s = f / (2.0 + f);
    const double s2 = s * s;
    const double s4 = s2 * s2;
    const double r =
        s4 * (kLg2 + s4 * (kLg4 + s4 * kLg6)) + s2 * (kLg1 + s4 * (kLg3 + s4 * (kLg5 + s4 * kLg7)));
    const double halfF2 = 0.5 * f * f;
    return k * kLn2Hi - ((halfF2 - (s * (halfF2 + r) + k * kLn2Lo)) - f);
}

}  // namespace detail

// 10 log10(power) in dB for a power from the smallest normal double up to the largest, within
// 2 ulp; +inf and NaN give NaN. Branch-free so that loops over it vectorise.
inline double powerToDecibels(double power) {
    constexpr double kDecibelsPerNeper = 4.342944819032518276511289;  // 10 / ln 10
    // power - power is 0 for every finite power and NaN otherwise: it spoils the meaningless
    // level computed from the bit pattern of +inf or NaN without a select, which would keep the
    // baseline SSE2 loop from vectorising.
    return detail::naturalLog(power) * kDecibelsPerNeper + (power - power);
}

}  // namespace quorvel
