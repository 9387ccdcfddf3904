#include "modulation/Chirp.h"

#include <algorithm>
#include <cmath>

namespace quorvel {
namespace {

// A phase given in cycles becomes an angle from its fraction only, so the large sweeps of long
// symbols lose no precision.
ComplexSample cyclesToSample(double cycles) {
    return polar(1.0, (Pi * 2.0) * (cycles - std::floor(cycles)));
}

}  // namespace

SampleBuffer modulateLfm(const SymbolSequence& symbols, double bandwidthHz, double samplingRateHz, std::size_t length,
                         std::size_t gap) {
    SampleBuffer pulse;
    pulse.reserve(length + gap);
    const double span = bandwidthHz / samplingRateHz;  // the sweep in cycles per sample
    const double samples = static_cast<double>(length);
    for (std::size_t n = 0; n < length; ++n) {
        const double at = static_cast<double>(n);
        pulse.push_back(cyclesToSample(0.5 * span * (at * at / samples - at)));
    }
    pulse.resize(length + gap, ComplexSample{});
    SampleBuffer out;
    out.reserve(symbols.size() * pulse.size());
    for (std::size_t k = 0; k < symbols.size(); ++k) {
        out.insert(out.end(), pulse.begin(), pulse.end());
    }
    return out;
}

std::size_t chirpSymbolSamples(int spreadingFactor, double bandwidthHz, double samplingRateHz) {
    const double chips = std::ldexp(1.0, spreadingFactor);
    return static_cast<std::size_t>(std::llround(chips * samplingRateHz / bandwidthHz));
}

SampleBuffer modulateChirpSpread(const SymbolSequence& symbols, int spreadingFactor, double bandwidthHz,
                                 double samplingRateHz) {
    const std::size_t perSymbol = chirpSymbolSamples(spreadingFactor, bandwidthHz, samplingRateHz);
    const double chips = std::ldexp(1.0, spreadingFactor);
    const double samples = static_cast<double>(perSymbol);
    // B times the symbol's duration: the cycles the sweep adds over one whole symbol.
    const double sweepCycles = bandwidthHz * samples / samplingRateHz;
    SampleBuffer out;
    out.reserve(symbols.size() * perSymbol);
    for (const std::int32_t index : symbols) {
        // u runs from the start fraction u0 across one sweep; the frequency is B (frac(u) - 1/2),
        // whose integral in u is (u^2 - u0^2) / 2, less (u - 1) past the wrap, less u / 2.
        const double u0 = static_cast<double>(index) / chips;
        for (std::size_t n = 0; n < perSymbol; ++n) {
            const double u = u0 + static_cast<double>(n) / samples;
            const double rise = 0.5 * (u * u - u0 * u0) - std::max(0.0, u - 1.0) - 0.5 * (u - u0);
            out.push_back(cyclesToSample(sweepCycles * rise));
        }
    }
    return out;
}

}  // namespace quorvel
