#include "channel/PolarNormal.h"

#include <algorithm>
#include <cmath>

namespace quorvel {
namespace {

constexpr double kTwoToMinus53 = 1.0 / 9007199254740992.0;
constexpr double kLnFour = 1.3862943611198906;
// Near the centre the point is rescaled by a power of two before it is squared, so that the
// squares cannot underflow; ln s is then restored as ln s' + e ln 4.
constexpr double kSmallRadiusSquared = 1e-4;

double logOfRadiusSquared(double u1, double u2, double s) {
    if (s > kSmallRadiusSquared) {
        return std::log(s);
    }
    const int exponent = std::ilogb(std::max(std::fabs(u1), std::fabs(u2)));
    const double v1 = std::scalbn(u1, -exponent);
    const double v2 = std::scalbn(u2, -exponent);
    return std::log(v1 * v1 + v2 * v2) + static_cast<double>(exponent) * kLnFour;
}

}  // namespace

double polarUniform(std::uint32_t first, std::uint32_t second) {
    // 53 random bits: the second output supplies the high 32, the first its top 21.
    const std::uint64_t bits = (static_cast<std::uint64_t>(second) << 21) + (first >> 11);
    // Below 2^53, so the signed conversion, one instruction, gives the same double as the
    // unsigned one, which x86-64 has no instruction for.
    return (static_cast<double>(static_cast<std::int64_t>(bits)) * kTwoToMinus53) * 2.0 - 1.0;
}

std::array<double, 2> polarPair(double u1, double u2) {
    const double s = u1 * u1 + u2 * u2;
    const double g = std::sqrt(-2.0 * logOfRadiusSquared(u1, u2, s) / s);
    return {u1 * g, u2 * g};
}

PolarPoint drawPolarPoint(MersenneTwister& engine) {
    for (;;) {
        const auto r1 = static_cast<std::uint32_t>(engine());
        const double u1 = polarUniform(r1, static_cast<std::uint32_t>(engine()));
        const auto r3 = static_cast<std::uint32_t>(engine());
        const double u2 = polarUniform(r3, static_cast<std::uint32_t>(engine()));
        const double s = u1 * u1 + u2 * u2;
        if (s > 0.0 && s < 1.0 && u1 != 0.0 && u2 != 0.0) {
            return {u1, u2};
        }
    }
}

void drawPolarPoints(MersenneTwister& engine, std::span<PolarPoint> points) {
    std::size_t filled = 0;
    // Every candidate is stored, and only an accepted one advances the count; the last slot
    // is left to drawPolarPoint so that no candidate is ever stored beyond the span.
    while (filled + 1 < points.size()) {
        const auto r1 = static_cast<std::uint32_t>(engine());
        const double u1 = polarUniform(r1, static_cast<std::uint32_t>(engine()));
        const auto r3 = static_cast<std::uint32_t>(engine());
        const double u2 = polarUniform(r3, static_cast<std::uint32_t>(engine()));
        const double s = u1 * u1 + u2 * u2;
        points[filled] = {u1, u2};
        filled += static_cast<std::size_t>((s > 0.0) & (s < 1.0) & (u1 != 0.0) & (u2 != 0.0));
    }
    if (filled < points.size()) {
        points[filled] = drawPolarPoint(engine);
    }
}

}  // namespace quorvel
