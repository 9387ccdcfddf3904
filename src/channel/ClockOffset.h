#pragma once
// A sampling clock that runs fast or slow by a fixed number of parts per million: unlike the
// timing error, the drift is unbounded and grows over the whole file.

#include <cstddef>
#include <cstdint>
#include <span>

#include "channel/PaddedWindow.h"
#include "common/SampleSource.h"
#include "common/Signal.h"

namespace quorvel {

// Output sample n is the input read at n x (1 + ppm x 1e-6) by band-limited (windowed-sinc)
// interpolation, the input taken as 0 outside its samples; as many samples as the input.
SampleBuffer applyClockOffset(const SampleBuffer& input, double ppm);

// The same re-reading as a stage over a stream of `count` samples: block by block it hands out
// what applyClockOffset gives for the whole input.
class ClockOffsetStage final : public SampleSource {
  public:
    ClockOffsetStage(SampleSource& input, std::size_t count, double ppm)
        : input_(input, count), count_(count), ppm_(ppm) {}

    std::size_t read(std::span<ComplexSample> out) override;

  private:
    PaddedWindow input_;
    std::size_t count_;
    double ppm_;
    std::size_t next_ = 0;
};

}  // namespace quorvel
