#include "modulation/Oqpsk.h"

namespace quorvel {

ComplexSample oqpskCorner(std::int32_t index) {
    return {(index & 1) != 0 ? 1.0 : -1.0, (index & 2) != 0 ? 1.0 : -1.0};
}

SampleBuffer modulateOqpsk(const SymbolSequence& symbols) {
    SampleBuffer points;
    points.reserve(symbols.size());
    OqpskMapper().append(symbols, points);
    return points;
}

void OqpskMapper::append(std::span<const std::int32_t> symbols, SampleBuffer& out) {
    for (const std::int32_t index : symbols) {
        const ComplexSample corner = oqpskCorner(index);
        if (index_ == 0) {
            previous_ = corner;
        } else if (index_ % 2 == 1) {
            // The half-symbol offset between the rails, at one value per symbol: one rail holds.
            previous_.q = corner.q;
        } else {
            previous_.i = corner.i;
        }
        out.push_back(previous_);
        ++index_;
    }
}

}  // namespace quorvel
