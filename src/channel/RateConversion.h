#pragma once
// A signal brought from its own sampling rate up to a higher one with its spectrum kept: the
// shared Kaiser-windowed sinc (WindowedSinc.h) read at any fractional position, which is a
// polyphase interpolator of 512 phases with straight lines between neighbouring phases. Content
// up to 0.40 of the input rate passes within 0.01 dB; its images, which lie at or beyond 0.60 of
// the input rate, come out at least 70 dB down.

#include <cstddef>
#include <span>

#include "common/Signal.h"

namespace quorvel {

// The highest frequency the conversion keeps, as a fraction of the input rate, and the level its
// images stay under [dB below the signal].
inline constexpr double kRateConversionPassband = 0.40;
inline constexpr double kRateConversionImageRejectionDb = 70.0;

// Output sample n is the input read at (n + firstOutput) x inputRateHz / outputRateHz input
// samples, the input taken as 0 outside its samples; count samples, written to out (resized).
// outputRateHz must be at least inputRateHz (a lower one would alias: std::invalid_argument).
void raiseSamplingRate(std::span<const ComplexSample> input, double inputRateHz, double outputRateHz,
                       std::size_t firstOutput, std::size_t count, SampleBuffer& out);

// Input samples the first `count` outputs from firstOutput reach, so that a caller makes no more
// of its signal than is read: the input's sample count for those outputs.
std::size_t inputSamplesReached(double inputRateHz, double outputRateHz, std::size_t firstOutput,
                                std::size_t count);

}  // namespace quorvel
