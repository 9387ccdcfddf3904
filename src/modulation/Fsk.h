#pragma once
// M-ary frequency-shift keying straight at the sampling rate, phase restarting at every symbol.

#include <cstdint>

#include "common/Signal.h"

namespace quorvel {

// The tone index k is keyed to [Hz]. 64-bit so that 1 - order cannot overflow for any int order.
inline double fskToneHz(std::int32_t index, int order, double symbolRateHz) {
    const double lowestToneHz = (static_cast<double>(1 - static_cast<std::int64_t>(order)) * 0.5) * symbolRateHz;
    return static_cast<double>(index) * symbolRateHz + lowestToneHz;
}

// Index k keyed to the tone (k - (order - 1) / 2) * symbolRateHz [Hz]; floor(fs / Rs)
// unit-magnitude samples per symbol, each symbol starting at phase 0. Empty when that many samples
// cannot be held.
SampleBuffer modulateFsk(const SymbolSequence& symbols, int order, double symbolRateHz,
                         double samplingRateHz);

}  // namespace quorvel
