#include "synthesis/SignalChain.h"

#include "channel/FrequencyOffset.h"
#include "channel/PulseShaping.h"
#include "synthesis/RunCheck.h"
#include "modulation/SchemeCatalog.h"
#include "synthesis/SymbolSources.h"

namespace quorvel {
namespace {

// The whole file at once through the whole-buffer stages, for the rare settings no block stage
// takes (a timing error whose instants are no finite grid).
PulseShaping shapingOf(const SignalParameters& p) {
    return {.shape = p.transmitter.pulse,
            .rolloff = p.transmitter.rolloff,
            .spanSymbols = p.transmitter.span,
            .symbolRateHz = p.symbolRate,
            .samplingRateHz = p.samplingRate,
            .delayQuadrature = p.modulationType == ModulationType::Oqpsk};
}

SampleBuffer shapedWhole(SampleBuffer points, const SignalParameters& p) {
    const std::size_t symbols = points.size();
    BufferSource source(std::move(points));
    PulseShapingStage stage(source, symbols, shapingOf(p));
    SampleBuffer out(resampledLength(symbols, p.symbolRate, p.samplingRate));
    out.resize(stage.read(out));
    return out;
}

SampleBuffer wholeFile(const SignalParameters& p, SymbolEngine& engine, SampleBuffer* mapperTap) {
    SampleBuffer mapped = mapSymbols(drawFileSymbols(p, engine), p);
    if (mapperTap != nullptr) {
        *mapperTap = mapped;
    }
    SampleBuffer working = shapesPulses(p)                           ? shapedWhole(std::move(mapped), p)
                           : mapsOnePointPerSymbol(p.modulationType) ? resampleToSamplingRate(mapped, p.symbolRate, p.samplingRate)
                                                                     : std::move(mapped);
    if (p.impairments.amplifier) {
        compressRapp(working, *p.impairments.amplifier);
    }
    if (p.mixingFrequency != 0.0) {
        working = frequencyShift(std::move(working), p.mixingFrequency, p.samplingRate);
    }
    working = applyTimingError(working, p.timingError, p.symbolRate, p.samplingRate);
    return applyFrequencyOffset(std::move(working), p.frequencyOffset, p.samplingRate);
}

}  // namespace

SignalChain::SignalChain(const SignalParameters& p, SymbolEngine& engine, SampleBuffer* mapperTap,
                         const ImpairmentSeeds& seeds, StageThreading threading) {
    if (p.timingError != 0.0 && !timingErrorStreams(p.timingError, p.symbolRate, p.samplingRate)) {
        wholeFile_ = std::make_unique<BufferSource>(wholeFile(p, engine, mapperTap));
        last_ = wholeFile_.get();
    } else {
        buildStages(p, engine, mapperTap);
    }
    impairments_ = std::make_unique<ChannelImpairmentStages>(*last_, static_cast<std::size_t>(samplesPerFile(p)), p, seeds, threading);
    last_ = &impairments_->last();
}

void SignalChain::buildStages(const SignalParameters& p, SymbolEngine& engine, SampleBuffer* mapperTap) {
    mapper_.emplace(p, engine, mapperTap);
    last_ = &*mapper_;
    const auto symbols = static_cast<std::size_t>(p.symbolCount);
    if (shapesPulses(p)) {
        shaping_ = std::make_unique<PulseShapingStage>(*last_, symbols, shapingOf(p));
        last_ = shaping_.get();
    } else if (mapsOnePointPerSymbol(p.modulationType) && p.symbolRate != p.samplingRate) {
        // Equal rates leave the points as they are, as the whole-buffer resampling does.
        resampling_ = std::make_unique<ResamplingStage>(*last_, symbols, p.symbolRate, p.samplingRate);
        last_ = resampling_.get();
    }
    if (p.impairments.amplifier) {
        amplifier_ = std::make_unique<RappCompressionStage>(*last_, *p.impairments.amplifier);
        last_ = amplifier_.get();
    }
    if (p.mixingFrequency != 0.0) {
        mixing_ = std::make_unique<FrequencyShiftStage>(*last_, p.mixingFrequency, p.samplingRate);
        last_ = mixing_.get();
    }
    if (p.timingError != 0.0) {
        const auto length = static_cast<std::size_t>(samplesPerFile(p));
        timingError_ = std::make_unique<TimingErrorStage>(*last_, length, p.timingError, p.symbolRate, p.samplingRate);
        last_ = timingError_.get();
    }
    if (p.frequencyOffset != 0.0) {
        frequencyOffset_ = std::make_unique<FrequencyShiftStage>(*last_, p.frequencyOffset, p.samplingRate);
        last_ = frequencyOffset_.get();
    }
}

void SignalChain::finish() {
    // The engine must be this thread's alone before it draws the rest.
    impairments_->stopThreads();
    if (mapper_) {
        mapper_->drawRest();
    }
}

}  // namespace quorvel
