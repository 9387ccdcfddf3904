#include "modulation/Pi4Dqpsk.h"

namespace quorvel {

SampleBuffer modulatePi4Dqpsk(const SymbolSequence& symbols, double rotation) {
    SampleBuffer points(symbols.size());
    if (symbols.empty()) {
        return points;
    }
    // The first point is the absolute QPSK reference of its index, whatever the rotation.
    points[0] = polar(1.0, (static_cast<double>(symbols[0]) * Pi) * 0.5 + Pi * 0.25);
    for (std::size_t n = 1; n < symbols.size(); ++n) {
        const double increment = (static_cast<double>(symbols[n]) * Pi) * 0.5 + rotation;
        // Carried by multiplying points, never re-normalised, so the phase history is exact
        // to the rounding of each product.
        points[n] = points[n - 1] * polar(1.0, increment);
    }
    return points;
}

void Pi4DqpskMapper::append(std::span<const std::int32_t> symbols, SampleBuffer& out) {
    for (const std::int32_t index : symbols) {
        if (!started_) {
            previous_ = polar(1.0, (static_cast<double>(index) * Pi) * 0.5 + Pi * 0.25);
            started_ = true;
        } else {
            previous_ = previous_ * polar(1.0, (static_cast<double>(index) * Pi) * 0.5 + rotation_);
        }
        out.push_back(previous_);
    }
}

}  // namespace quorvel
