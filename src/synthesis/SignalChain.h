#pragma once
// One file's stages before the noise, in their fixed order, as a chain of block stages: symbols
// and mapper, resampling, mixing, timing error, frequency offset. Pulling the chain block by block
// gives exactly the samples the whole-buffer stages give for the whole file.

#include <cstdint>
#include <memory>
#include <optional>

#include "channel/Mixing.h"
#include "channel/PulseShaping.h"
#include "channel/Resampling.h"
#include "channel/TimingError.h"
#include "common/SampleSource.h"
#include "synthesis/MapperStage.h"
#include "common/SignalParameters.h"

namespace quorvel {

class SignalChain {
public:
    // Draws the file's symbols from engine. mapperTap, when given, receives the mapper's output.
    // The parameters must have passed the run check.
    SignalChain(const SignalParameters& parameters, SymbolEngine& engine, SampleBuffer* mapperTap);

    // The next samples before noise; fewer than out.size() only at the end of the file.
    std::size_t read(std::span<ComplexSample> out) { return last_->read(out); }

    // Leaves the engine where it stands after the whole file, whatever was read.
    void finish();

private:
    std::optional<MapperStage> mapper_;
    std::unique_ptr<ResamplingStage> resampling_;
    std::unique_ptr<PulseShapingStage> shaping_;
    std::unique_ptr<FrequencyShiftStage> mixing_;
    std::unique_ptr<TimingErrorStage> timingError_;
    std::unique_ptr<FrequencyShiftStage> frequencyOffset_;
    std::unique_ptr<BufferSource> wholeFile_;
    SampleSource* last_ = nullptr;
};

}  // namespace quorvel
