#include "channel/PolarNormal.h"

#include "channel/SamplePairs.h"

namespace quorvel {
namespace {

// Stores the candidate in the next slot, which only an accepted one keeps.
void offerCandidate(double u1, double u2, std::span<PolarPoint> points, std::size_t& filled) {
    const double s = u1 * u1 + u2 * u2;
    points[filled] = {u1, u2};
    filled += static_cast<std::size_t>((s > 0.0) & (s < 1.0) & (u1 != 0.0) & (u2 != 0.0));
}

}  // namespace

// Built without errno for the library's mathematics (the argument of the root is always
// positive), so that the roots can be vector instructions, which round as the scalar one does.
QUORVEL_WIDE_KERNEL void polarFactors(std::span<const PolarPoint> points, std::span<double> factors) {
    const std::size_t count = points.size();
    for (std::size_t n = 0; n < count; ++n) {
        const PolarPoint& p = points[n];
        factors[n] = logOfRadiusSquared(p.u1, p.u2, p.u1 * p.u1 + p.u2 * p.u2);
    }
    for (std::size_t n = 0; n < count; ++n) {
        const PolarPoint& p = points[n];
        factors[n] = std::sqrt(-2.0 * factors[n] / (p.u1 * p.u1 + p.u2 * p.u2));
    }
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
    // Never more candidates in a batch than points still wanted: each accepted one fills a slot,
    // so the slot a candidate is stored in is always inside the span, and no word is drawn that
    // the one-at-a-time method would not have drawn.
    constexpr std::size_t kBatch = 256;
    std::array<std::uint32_t, 4 * kBatch> words;
    std::size_t filled = 0;
    while (filled < points.size()) {
        const std::size_t candidates = std::min(points.size() - filled, kBatch);
        engine.fill(std::span(words).first(4 * candidates));
        for (std::size_t c = 0; c < candidates; ++c) {
            const std::uint32_t* w = words.data() + 4 * c;
            offerCandidate(polarUniform(w[0], w[1]), polarUniform(w[2], w[3]), points, filled);
        }
    }
}

}  // namespace quorvel
