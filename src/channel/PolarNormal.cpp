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
    std::size_t filled = 0;
    // The last slot is left to drawPolarPoint so that no candidate is ever stored beyond the span.
    while (filled + 1 < points.size()) {
        // Candidates whose four outputs are all made already, read straight from the engine's
        // buffer; a candidate that spans a refill goes through the engine's calls below.
        const std::uint32_t* words = engine.buffered();
        const std::size_t candidates = engine.bufferedCount() / 4;
        std::size_t used = 0;
        for (; used < candidates && filled + 1 < points.size(); ++used, words += 4) {
            offerCandidate(polarUniform(words[0], words[1]), polarUniform(words[2], words[3]), points, filled);
        }
        engine.skip(used * 4);
        if (filled + 1 >= points.size()) {
            break;
        }
        const auto r1 = static_cast<std::uint32_t>(engine());
        const double u1 = polarUniform(r1, static_cast<std::uint32_t>(engine()));
        const auto r3 = static_cast<std::uint32_t>(engine());
        offerCandidate(u1, polarUniform(r3, static_cast<std::uint32_t>(engine())), points, filled);
    }
    if (filled < points.size()) {
        points[filled] = drawPolarPoint(engine);
    }
}

}  // namespace quorvel
