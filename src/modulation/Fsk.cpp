#include "modulation/Fsk.h"

#include "modulation/SamplesPerSymbol.h"

namespace quorvel {

SampleBuffer modulateFsk(const SymbolSequence& symbols, int order, double symbolRateHz,
                         double samplingRateHz) {
    const std::size_t perSymbol = wholeSamplesPerSymbol(samplingRateHz / symbolRateHz);
    const auto total = keyedSampleCount(symbols.size(), perSymbol);
    if (!total) {
        return {};
    }
    // 64-bit so that 1 - order cannot overflow for any int order.
    const double lowestToneHz =
        (static_cast<double>(1 - static_cast<std::int64_t>(order)) * 0.5) * symbolRateHz;
    SampleBuffer samples;
    samples.reserve(*total);
    for (const std::int32_t index : symbols) {
        const double toneHz = static_cast<double>(index) * symbolRateHz + lowestToneHz;
        for (std::size_t n = 0; n < perSymbol; ++n) {
            const double phase = ((Pi * 2.0) * toneHz) * (static_cast<double>(n) / samplingRateHz);
            samples.push_back(polar(1.0, phase));
        }
    }
    return samples;
}

}  // namespace quorvel
