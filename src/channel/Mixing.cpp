#include "channel/Mixing.h"

#include <cstddef>
#include <utility>

namespace quorvel {

SampleBuffer frequencyShift(const SampleBuffer& input, double frequencyHz, double samplingRateHz) {
    return frequencyShift(SampleBuffer(input), frequencyHz, samplingRateHz);
}

SampleBuffer frequencyShift(SampleBuffer&& input, double frequencyHz, double samplingRateHz) {
    const double radiansPerSecond = (Pi * 2.0) * frequencyHz;
    for (std::size_t n = 0; n < input.size(); ++n) {
        // Never reduced modulo 2 pi: reduction would round differently from sample to sample.
        const double phase = (static_cast<double>(n) / samplingRateHz) * radiansPerSecond;
        input[n] = input[n] * polar(1.0, phase);
    }
    return std::move(input);
}

}  // namespace quorvel
