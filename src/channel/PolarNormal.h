#pragma once
// Normal deviates by the polar method over a 32-bit Mersenne Twister, with every step written
// out so that the values are the same with any standard library.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <span>

#include "common/MersenneTwister.h"

namespace quorvel {

// Inline, as they run once or twice for every sample of noise.

// A uniform value in [-1, 1) on a grid of 2^-52 from two successive 32-bit engine outputs.
inline double polarUniform(std::uint32_t first, std::uint32_t second) {
    constexpr double kTwoToMinus53 = 1.0 / 9007199254740992.0;
    // 53 random bits: the second output supplies the high 32, the first its top 21.
    const std::uint64_t bits = (static_cast<std::uint64_t>(second) << 21) + (first >> 11);
    // Below 2^53, so the signed conversion, one instruction, gives the same double as the
    // unsigned one, which x86-64 has no instruction for.
    return (static_cast<double>(static_cast<std::int64_t>(bits)) * kTwoToMinus53) * 2.0 - 1.0;
}

// ln s for s = u1^2 + u2^2. Near the centre the point is rescaled by a power of two before it is
// squared, so that the squares cannot underflow; ln s is then restored as ln s' + e ln 4.
inline double logOfRadiusSquared(double u1, double u2, double s) {
    constexpr double kLnFour = 1.3862943611198906;
    constexpr double kSmallRadiusSquared = 1e-4;
    if (s > kSmallRadiusSquared) {
        return std::log(s);
    }
    const int exponent = std::ilogb(std::max(std::fabs(u1), std::fabs(u2)));
    const double v1 = std::scalbn(u1, -exponent);
    const double v2 = std::scalbn(u2, -exponent);
    return std::log(v1 * v1 + v2 * v2) + static_cast<double>(exponent) * kLnFour;
}

// The pair of standard normal values (u1 g, u2 g), g = sqrt(-2 ln s / s), s = u1^2 + u2^2, for a
// point accepted inside the unit circle.
inline std::array<double, 2> polarPair(double u1, double u2) {
    const double s = u1 * u1 + u2 * u2;
    const double g = std::sqrt(-2.0 * logOfRadiusSquared(u1, u2, s) / s);
    return {u1 * g, u2 * g};
}

// A point accepted inside the unit circle, neither coordinate 0.
struct PolarPoint {
    double u1;
    double u2;
};

// The factor g of each point's pair, exactly as polarPair forms it, into factors (as many): the
// logarithms one by one, then the divisions and roots several at a time.
void polarFactors(std::span<const PolarPoint> points, std::span<double> factors);

// Draws candidate points, four engine outputs each, until one is accepted.
PolarPoint drawPolarPoint(MersenneTwister& engine);

// Fills points with the points drawPolarPoint would give one after the other, from the same
// engine outputs, without a branch on each candidate: a fifth of them are rejected at random,
// which the processor cannot predict.
void drawPolarPoints(MersenneTwister& engine, std::span<PolarPoint> points);

}  // namespace quorvel
