#pragma once
// Offset QPSK at one point per symbol: after the first symbol the rails change alternately.

#include "common/Signal.h"

namespace quorvel {

// Corners (+-1, +-1) from the two lowest bits of each index; odd symbols update only Q, even
// symbols (from the third on) only I. One point per symbol.
SampleBuffer modulateOqpsk(const SymbolSequence& symbols);

}  // namespace quorvel
