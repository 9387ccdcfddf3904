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
    SampleBuffer samples;
    samples.reserve(*total);
    for (const std::int32_t index : symbols) {
        const double toneHz = fskToneHz(index, order, symbolRateHz);
        for (std::size_t n = 0; n < perSymbol; ++n) {
            const double phase = ((Pi * 2.0) * toneHz) * (static_cast<double>(n) / samplingRateHz);
            samples.push_back(polar(1.0, phase));
        }
    }
    return samples;
}

}  // namespace quorvel
