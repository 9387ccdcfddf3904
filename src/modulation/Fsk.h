#pragma once
// M-ary frequency-shift keying straight at the sampling rate, phase restarting at every symbol.

#include "common/Signal.h"

namespace quorvel {

// Index k keyed to the tone (k - (order - 1) / 2) * symbolRateHz [Hz]; floor(fs / Rs)
// unit-magnitude samples per symbol, each symbol starting at phase 0. Empty when that many samples
// cannot be held.
SampleBuffer modulateFsk(const SymbolSequence& symbols, int order, double symbolRateHz,
                         double samplingRateHz);

}  // namespace quorvel
