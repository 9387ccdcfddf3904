#pragma once
// A carrier frequency error applied late in the chain, after the timing drift.

#include "common/Signal.h"

namespace quorvel {

// The input shifted by offsetHz (signed, Hz) at samplingRateHz, rotator at phase 0 on sample 0;
// an exact copy for an offset of 0 or an empty input.
SampleBuffer applyFrequencyOffset(const SampleBuffer& input, double offsetHz,
                                  double samplingRateHz);

// The same, done in the given storage, which is returned; bit-identical results.
SampleBuffer applyFrequencyOffset(SampleBuffer&& input, double offsetHz, double samplingRateHz);

}  // namespace quorvel
