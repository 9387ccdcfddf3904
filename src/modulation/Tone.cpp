#include "modulation/Tone.h"

#include <cmath>

namespace quorvel {

ToneMapper::ToneMapper(double toneHz, double samplingRateHz, std::size_t perSymbol)
    : cyclesPerSample_(toneHz / samplingRateHz), perSymbol_(perSymbol) {}

void ToneMapper::append(const SymbolSequence& symbols, SampleBuffer& out) {
    const std::size_t count = symbols.size() * perSymbol_;
    out.reserve(out.size() + count);
    for (std::size_t k = 0; k < count; ++k, ++next_) {
        // The phase is taken from the sample index afresh, so no rounding piles up over a long file;
        // only the fraction of a cycle is kept before it becomes an angle.
        const double cycles = cyclesPerSample_ * static_cast<double>(next_);
        out.push_back(polar(1.0, (Pi * 2.0) * (cycles - std::floor(cycles))));
    }
}

SampleBuffer modulateTone(const SymbolSequence& symbols, double toneHz, double samplingRateHz, std::size_t perSymbol) {
    SampleBuffer samples;
    ToneMapper(toneHz, samplingRateHz, perSymbol).append(symbols, samples);
    return samples;
}

}  // namespace quorvel
