#pragma once
// Symbol-rate points to samples at the sampling rate by straight lines between neighbouring
// symbols; there is no pulse-shaping filter.

#include <cstddef>

#include "common/SampleSource.h"
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

// The same reading as a stage over a stream of symbolCount points: what it hands out, block by
// block, equals resampleToSamplingRate of all the points (for rates that do not copy the input;
// those need no stage). It holds only the points between two neighbouring sample instants.
class ResamplingStage final : public SampleSource {
public:
    ResamplingStage(SampleSource& points, std::size_t symbolCount, double symbolRateHz, double samplingRateHz);

    std::size_t read(std::span<ComplexSample> out) override;

private:
    SampleWindow points_;
    std::size_t length_;
    double samplesPerSymbol_;
    double lastIndex_;
    std::size_t lastPoint_;
    std::size_t next_ = 0;
};

}  // namespace quorvel
