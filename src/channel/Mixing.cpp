#include "channel/Mixing.h"

#include <cstddef>
#include <utility>

namespace quorvel {

SampleBuffer frequencyShift(const SampleBuffer& input, double frequencyHz, double samplingRateHz) {
    return frequencyShift(SampleBuffer(input), frequencyHz, samplingRateHz);
}

SampleBuffer frequencyShift(SampleBuffer&& input, double frequencyHz, double samplingRateHz) {
    frequencyShiftFrom(input, 0, frequencyHz, samplingRateHz);
    return std::move(input);
}

void frequencyShiftFrom(std::span<ComplexSample> samples, std::uint64_t firstIndex, double frequencyHz,
                        double samplingRateHz) {
    const double radiansPerSecond = (Pi * 2.0) * frequencyHz;
    for (std::size_t k = 0; k < samples.size(); ++k) {
        // Never reduced modulo 2 pi: reduction would round differently from sample to sample.
        const double phase = (static_cast<double>(firstIndex + k) / samplingRateHz) * radiansPerSecond;
        samples[k] = samples[k] * polar(1.0, phase);
    }
}

std::size_t FrequencyShiftStage::read(std::span<ComplexSample> out) {
    const std::size_t count = upstream_.read(out);
    frequencyShiftFrom(out.first(count), next_, frequencyHz_, samplingRateHz_);
    next_ += count;
    return count;
}

}  // namespace quorvel
