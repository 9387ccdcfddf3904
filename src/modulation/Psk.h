#pragma once
// M-ary phase-shift keying: one unit-magnitude point per symbol index.

#include "common/Signal.h"

namespace quorvel {

// Index k at angle 2*pi*k/order [rad] on the unit circle, index 0 at (1, 0); one point per symbol.
SampleBuffer modulatePsk(const SymbolSequence& symbols, int order);

}  // namespace quorvel
