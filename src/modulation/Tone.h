#pragma once
// One complex exponential: the symbols only set how long it lasts.

#include <cstddef>
#include <cstdint>

#include "common/Signal.h"

namespace quorvel {

// Unit-magnitude e^(j 2 pi f n / fs) for n from 0, perSymbol samples per symbol, its phase running
// on from piece to piece.
class ToneMapper {
public:
    ToneMapper(double toneHz, double samplingRateHz, std::size_t perSymbol);
    void append(const SymbolSequence& symbols, SampleBuffer& out);

private:
    double cyclesPerSample_;
    std::size_t perSymbol_;
    std::uint64_t next_ = 0;  // the index of the next sample
};

// The whole sequence's samples, as ToneMapper gives them.
SampleBuffer modulateTone(const SymbolSequence& symbols, double toneHz, double samplingRateHz, std::size_t perSymbol);

}  // namespace quorvel
