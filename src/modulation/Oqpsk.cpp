#include "modulation/Oqpsk.h"

namespace quorvel {

namespace {

double inPhaseRail(std::int32_t index) {
    return (index & 1) != 0 ? 1.0 : -1.0;
}

double quadratureRail(std::int32_t index) {
    return (index & 2) != 0 ? 1.0 : -1.0;
}

}  // namespace

SampleBuffer modulateOqpsk(const SymbolSequence& symbols) {
    SampleBuffer points(symbols.size());
    for (std::size_t n = 0; n < symbols.size(); ++n) {
        const std::int32_t index = symbols[n];
        if (n == 0) {
            points[n] = {inPhaseRail(index), quadratureRail(index)};
        } else if (n % 2 == 1) {
            // The half-symbol offset between the rails, at one value per symbol: one rail holds.
            points[n] = {points[n - 1].i, quadratureRail(index)};
        } else {
            points[n] = {inPhaseRail(index), points[n - 1].q};
        }
    }
    return points;
}

void OqpskMapper::append(std::span<const std::int32_t> symbols, SampleBuffer& out) {
    for (const std::int32_t index : symbols) {
        if (index_ == 0) {
            previous_ = {inPhaseRail(index), quadratureRail(index)};
        } else if (index_ % 2 == 1) {
            previous_ = {previous_.i, quadratureRail(index)};
        } else {
            previous_ = {inPhaseRail(index), previous_.q};
        }
        out.push_back(previous_);
        ++index_;
    }
}

}  // namespace quorvel
