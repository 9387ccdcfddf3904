#pragma once
// Frequency translation of a complex baseband signal by a rotator that starts at phase 0.

#include <cstdint>
#include <span>

#include "common/SampleSource.h"
#include "common/Signal.h"

namespace quorvel {

// input[n] x e^(+j 2 pi f n / fs) for frequency f and sampling rate fs in Hz; the phase is
// formed afresh from n for every sample, never accumulated.
SampleBuffer frequencyShift(const SampleBuffer& input, double frequencyHz, double samplingRateHz);

// The same translation done in the given storage, which is returned; bit-identical results.
SampleBuffer frequencyShift(SampleBuffer&& input, double frequencyHz, double samplingRateHz);

// The translation of samples that stand at index firstIndex onwards of a longer signal, done in
// place: a signal shifted block by block equals the signal shifted whole.
void frequencyShiftFrom(std::span<ComplexSample> samples, std::uint64_t firstIndex, double frequencyHz,
                        double samplingRateHz);

// A stage that shifts the samples of its upstream stage as they pass.
class FrequencyShiftStage final : public SampleSource {
public:
    FrequencyShiftStage(SampleSource& upstream, double frequencyHz, double samplingRateHz)
        : upstream_(upstream), frequencyHz_(frequencyHz), samplingRateHz_(samplingRateHz) {}

    std::size_t read(std::span<ComplexSample> out) override;

private:
    SampleSource& upstream_;
    double frequencyHz_;
    double samplingRateHz_;
    std::uint64_t next_ = 0;
};

}  // namespace quorvel
