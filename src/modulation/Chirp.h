#pragma once
// Linear frequency sweeps: radar pulses (LFM) and chirp spread spectrum (CSS). Both sweep a band
// of bandwidth B centred on 0 Hz, from -B/2 upwards.

#include <cstddef>
#include <cstdint>

#include "common/Signal.h"

namespace quorvel {

// One LFM pulse: `length` unit-magnitude samples whose frequency rises from -B/2 by B / length
// per sample, so its phase is pi (B / fs) (n^2 / length - n); then `gap` samples of zero. Every
// symbol makes the same pulse, so any piece of the sequence maps alone.
SampleBuffer modulateLfm(const SymbolSequence& symbols, double bandwidthHz, double samplingRateHz, std::size_t length,
                         std::size_t gap);

// Samples per CSS symbol: 2^SF chips at the chip rate B, at the sampling rate fs, rounded to a
// whole number, round(2^SF fs / B). The sweep spans exactly B over that many samples.
std::size_t chirpSymbolSamples(int spreadingFactor, double bandwidthHz, double samplingRateHz);

// CSS: index k of 2^SF makes the up-chirp started k / 2^SF of the way through its sweep, its
// frequency wrapping from B/2 back to -B/2; every symbol starts at phase 0.
SampleBuffer modulateChirpSpread(const SymbolSequence& symbols, int spreadingFactor, double bandwidthHz,
                                 double samplingRateHz);

}  // namespace quorvel
