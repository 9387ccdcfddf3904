#include "modulation/Msk.h"

#include "modulation/SamplesPerSymbol.h"

namespace quorvel {

double mskPhaseStep(std::int32_t index) {
    return index == 1 ? Pi * 0.5 : -(Pi * 0.5);
}

SampleBuffer modulateMsk(const SymbolSequence& symbols, double samplesPerSymbol) {
    const std::size_t perSymbol = wholeSamplesPerSymbol(samplesPerSymbol);
    const auto total = keyedSampleCount(symbols.size(), perSymbol);
    if (!total || *total == 0) {
        return {};
    }
    SampleBuffer samples;
    samples.reserve(*total);
    // Never reduced modulo 2*pi: the running sum of the steps, so symbol starts are exact.
    double accumulatedPhase = 0.0;
    for (const std::int32_t index : symbols) {
        const double step = mskPhaseStep(index);
        for (std::size_t n = 0; n < perSymbol; ++n) {
            const double phase =
                (static_cast<double>(n) / samplesPerSymbol) * step + accumulatedPhase;
            samples.push_back(polar(1.0, phase));
        }
        accumulatedPhase = accumulatedPhase + step;
    }
    return samples;
}

MskMapper::MskMapper(double samplesPerSymbol)
    : samplesPerSymbol_(samplesPerSymbol), perSymbol_(wholeSamplesPerSymbol(samplesPerSymbol)) {}

void MskMapper::append(std::span<const std::int32_t> symbols, SampleBuffer& out) {
    for (const std::int32_t index : symbols) {
        const double step = mskPhaseStep(index);
        for (std::size_t n = 0; n < perSymbol_; ++n) {
            const double phase = (static_cast<double>(n) / samplesPerSymbol_) * step + accumulatedPhase_;
            out.push_back(polar(1.0, phase));
        }
        accumulatedPhase_ = accumulatedPhase_ + step;
    }
}

}  // namespace quorvel
