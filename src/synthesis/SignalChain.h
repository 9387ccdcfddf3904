#pragma once
// One file's stages before the noise, in their fixed order, as a chain of block stages. Pulling
// the chain block by block gives exactly the samples the whole-buffer stages give for the whole
// file.

#include <cstdint>
#include <memory>
#include <optional>

#include "channel/Mixing.h"
#include "channel/PulseShaping.h"
#include "channel/RappCompression.h"
#include "channel/Resampling.h"
#include "channel/TimingError.h"
#include "common/SampleSource.h"
#include "synthesis/MapperStage.h"
#include "common/SignalParameters.h"
#include "synthesis/ImpairmentStages.h"

namespace quorvel {

class SignalChain {
public:
    // Draws the file's symbols from engine. mapperTap, when given, receives the mapper's output.
    // The parameters must have passed the run check; seeds are those of the file's random stages.
    // With StageThreading::PerChannelStage each channel impairment stage runs on a thread of its
    // own: for long files on several cores; a short capture would spend more on the threads.
    SignalChain(const SignalParameters& parameters, SymbolEngine& engine, SampleBuffer* mapperTap,
                const ImpairmentSeeds& seeds = {}, StageThreading threading = StageThreading::None);

    // The next samples before noise; fewer than out.size() only at the end of the file.
    std::size_t read(std::span<ComplexSample> out) { return last_->read(out); }

    // Leaves the engine where it stands after the whole file, whatever was read.
    void finish();

private:
    // The block stages from the mapper to the frequency offset: the one place their order is set,
    // the channel's impairments following them.
    void buildStages(const SignalParameters& parameters, SymbolEngine& engine, SampleBuffer* mapperTap);

    std::optional<MapperStage> mapper_;
    std::unique_ptr<ResamplingStage> resampling_;
    std::unique_ptr<PulseShapingStage> shaping_;
    std::unique_ptr<RappCompressionStage> amplifier_;
    std::unique_ptr<FrequencyShiftStage> mixing_;
    std::unique_ptr<TimingErrorStage> timingError_;
    std::unique_ptr<FrequencyShiftStage> frequencyOffset_;
    std::unique_ptr<BufferSource> wholeFile_;
    std::unique_ptr<ChannelImpairmentStages> impairments_;
    SampleSource* last_ = nullptr;
};

}  // namespace quorvel
