#pragma once
// Continuous-phase FSK: level a = 2k - (M-1) of index k holds the frequency a h Rs / 2 for one
// symbol, the phase running on across symbols, so each symbol turns the phase by pi h a.

#include <cstddef>
#include <cstdint>

#include "common/Signal.h"

namespace quorvel {

class CpfskMapper {
public:
    // order M, modulation index h, perSymbol whole samples per symbol.
    CpfskMapper(int order, double modulationIndex, std::size_t perSymbol);
    void append(const SymbolSequence& symbols, SampleBuffer& out);

private:
    int order_;
    double modulationIndex_;
    std::size_t perSymbol_;
    double phase_ = 0.0;  // at the start of the next symbol [rad], kept within (-pi, pi]
};

// The whole sequence's samples, as CpfskMapper gives them.
SampleBuffer modulateCpfsk(const SymbolSequence& symbols, int order, double modulationIndex, std::size_t perSymbol);

}  // namespace quorvel
