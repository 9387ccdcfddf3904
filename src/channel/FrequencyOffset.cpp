#include "channel/FrequencyOffset.h"

#include <utility>

#include "channel/Mixing.h"

namespace quorvel {

SampleBuffer applyFrequencyOffset(const SampleBuffer& input, double offsetHz,
                                  double samplingRateHz) {
    return applyFrequencyOffset(SampleBuffer(input), offsetHz, samplingRateHz);
}

SampleBuffer applyFrequencyOffset(SampleBuffer&& input, double offsetHz, double samplingRateHz) {
    if (offsetHz == 0.0 || input.empty()) {
        return std::move(input);
    }
    return frequencyShift(std::move(input), offsetHz, samplingRateHz);
}

}  // namespace quorvel
