#pragma once
// Frequency translation of a complex baseband signal by a rotator that starts at phase 0.

#include "common/Signal.h"

namespace quorvel {

// input[n] x e^(+j 2 pi f n / fs) for frequency f and sampling rate fs in Hz; the phase is
// formed afresh from n for every sample, never accumulated.
SampleBuffer frequencyShift(const SampleBuffer& input, double frequencyHz, double samplingRateHz);

// The same translation done in the given storage, which is returned; bit-identical results.
SampleBuffer frequencyShift(SampleBuffer&& input, double frequencyHz, double samplingRateHz);

}  // namespace quorvel
