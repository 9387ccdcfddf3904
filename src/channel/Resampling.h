#pragma once
// Symbol-rate points to samples at the sampling rate by straight lines between neighbouring
// symbols; there is no pulse-shaping filter.

#include <cstddef>

#include "common/Signal.h"

namespace quorvel {

// Number of samples resampleToSamplingRate produces for symbolCount symbols (rates in Hz):
// symbolCount itself where the input is copied, 0 where the rates leave no length (NaN), and
// SIZE_MAX where the length does not fit a count, so callers can refuse before allocating.
std::size_t resampledLength(std::size_t symbolCount, double symbolRateHz, double samplingRateHz);

// The symbols (one per symbol period, rates in Hz) read at every sample instant, ends held;
// a copy for empty input, rates not above 0 or equal rates; empty when no length results.
SampleBuffer resampleToSamplingRate(const SampleBuffer& symbols, double symbolRateHz,
                                    double samplingRateHz);

}  // namespace quorvel
