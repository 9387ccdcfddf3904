#pragma once
// A sampling clock that drifts linearly away from the nominal one over the buffer.

#include <cstddef>

#include "common/Signal.h"

namespace quorvel {

// The input re-read at i / fs + (i / N) x timingError symbol periods (rates in Hz, timingError in
// symbol periods), ends held; an exact copy for a timing error of 0 or an empty input.
SampleBuffer applyTimingError(const SampleBuffer& input, double timingError, double symbolRateHz,
                              double samplingRateHz);

// Index of the first nominal instant i / samplingRateHz (i < count, rate finite and above 0)
// strictly after t seconds, for t strictly between the first and the last instant: what a binary
// search of a table of the instants gives, found without the table.
std::size_t firstInstantAfter(double t, double samplingRateHz, std::size_t count);

}  // namespace quorvel
