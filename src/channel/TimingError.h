#pragma once
// A sampling clock that drifts linearly away from the nominal one over the buffer.

#include <cstddef>

#include <span>

#include "common/SampleSource.h"
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

// True when the rates make the nominal instants a finite ascending grid, which TimingErrorStage
// needs; otherwise only applyTimingError on the whole buffer gives the result.
bool timingErrorStreams(double timingError, double symbolRateHz, double samplingRateHz);

// The same re-reading as a stage over a stream of `count` samples: what it hands out, block by
// block, equals applyTimingError of the whole input. It holds the samples between the nominal
// and the read instant, at most |timingError| x samples per symbol + 2, and a margin behind.
class TimingErrorStage final : public SampleSource {
public:
    TimingErrorStage(SampleSource& input, std::size_t count, double timingError, double symbolRateHz,
                     double samplingRateHz);

    std::size_t read(std::span<ComplexSample> out) override;

private:
    SampleWindow input_;
    std::size_t count_;
    double drift_;
    double samplingRateHz_;
    double lastInstant_;
    ComplexSample first_;
    std::size_t next_ = 0;
};

}  // namespace quorvel
