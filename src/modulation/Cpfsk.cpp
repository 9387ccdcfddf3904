#include "modulation/Cpfsk.h"

#include <cmath>

namespace quorvel {

CpfskMapper::CpfskMapper(int order, double modulationIndex, std::size_t perSymbol)
    : order_(order), modulationIndex_(modulationIndex), perSymbol_(perSymbol) {}

void CpfskMapper::append(const SymbolSequence& symbols, SampleBuffer& out) {
    out.reserve(out.size() + symbols.size() * perSymbol_);
    const double samples = static_cast<double>(perSymbol_);
    for (const std::int32_t index : symbols) {
        const double level = 2.0 * index - (order_ - 1);
        const double turn = Pi * modulationIndex_ * level;  // over the whole symbol [rad]
        for (std::size_t n = 0; n < perSymbol_; ++n) {
            // From the symbol's start each time, so no rounding piles up within a symbol.
            out.push_back(polar(1.0, phase_ + turn * (static_cast<double>(n) / samples)));
        }
        phase_ = std::remainder(phase_ + turn, 2.0 * Pi);
    }
}

SampleBuffer modulateCpfsk(const SymbolSequence& symbols, int order, double modulationIndex, std::size_t perSymbol) {
    SampleBuffer samples;
    CpfskMapper(order, modulationIndex, perSymbol).append(symbols, samples);
    return samples;
}

}  // namespace quorvel
