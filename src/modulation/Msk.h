#pragma once
// Minimum-shift keying: continuous phase moving linearly by +-pi/2 over each symbol.

#include <cstddef>
#include <span>

#include "common/Signal.h"

namespace quorvel {

// Phase step of one symbol [rad]: +pi/2 for index 1, -pi/2 for every other index.
double mskPhaseStep(std::int32_t index);

// Index 1 ramps the phase up by pi/2 [rad] over a symbol, every other index down; the phase is
// carried across symbols. floor(samplesPerSymbol) unit-magnitude samples per symbol, the ramp
// using the unrounded samplesPerSymbol. Empty when that many samples cannot be held.
SampleBuffer modulateMsk(const SymbolSequence& symbols, double samplesPerSymbol);

// The same mapping a piece at a time: the pieces appended together equal modulateMsk of the
// whole sequence (for a whole sequence that modulateMsk can hold).
class MskMapper {
public:
    explicit MskMapper(double samplesPerSymbol);
    void append(std::span<const std::int32_t> symbols, SampleBuffer& out);

private:
    double samplesPerSymbol_;
    std::size_t perSymbol_;
    double accumulatedPhase_ = 0.0;
};

}  // namespace quorvel
