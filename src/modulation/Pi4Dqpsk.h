#pragma once
// Differential QPSK with a fixed extra rotation per symbol (pi/4 for pi/4-DQPSK).

#include "common/Signal.h"

namespace quorvel {

// First point at angle k*pi/2 + pi/4 [rad]; each later point is the previous one rotated by
// k*pi/2 + rotation [rad]. One point per symbol.
SampleBuffer modulatePi4Dqpsk(const SymbolSequence& symbols, double rotation);

}  // namespace quorvel
