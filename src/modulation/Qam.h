#pragma once
// Quadrature amplitude modulation: the 32, 128 and 512 crosses, the 2048 rectangle and the square orders.

#include "common/Signal.h"

namespace quorvel {

// True when modulateQam maps this order: 32, 128, 512, 2048, or a positive perfect square.
bool isQamOrderSupported(int order);

// One point per symbol: 32 scaled by 0.2 (I from the slow part of the index), 2048 scaled to unit
// peak magnitude, 128 and 512 scaled to unit mean power, square orders on the odd integers; empty when the order is not supported.
SampleBuffer modulateQam(const SymbolSequence& symbols, int order);

}  // namespace quorvel
