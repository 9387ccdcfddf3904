#include "synthesis/SignalChain.h"

#include "channel/FrequencyOffset.h"
#include "channel/PulseShaping.h"
#include "synthesis/RunCheck.h"
#include "modulation/SchemeCatalog.h"
#include "synthesis/SymbolSources.h"

namespace quorvel {
namespace {

PulseShaping shapingOf(const SignalParameters& p) {
    return {.shape = p.transmitter.pulse,
            .rolloff = p.transmitter.rolloff,
            .spanSymbols = p.transmitter.span,
            .symbolRateHz = p.symbolRate,
            .samplingRateHz = p.samplingRate,
            .delayQuadrature = p.modulationType == ModulationType::Oqpsk};
}

SampleBuffer readWhole(SampleSource& source, std::size_t length) {
    SampleBuffer out(length);
    std::size_t done = 0;
    while (done < length) {
        const std::size_t count = source.read(std::span(out).subspan(done));
        if (count == 0) {
            break;
        }
        done += count;
    }
    out.resize(done);
    return out;
}

}  // namespace

SignalChain::SignalChain(const SignalParameters& p, SymbolEngine& engine, SampleBuffer* mapperTap,
                         const ImpairmentSeeds& seeds, StageThreading threading) {
    buildStages(p, engine, mapperTap);
    impairments_ = std::make_unique<ChannelImpairmentStages>(*last_, static_cast<std::size_t>(samplesPerFile(p)), p, seeds, threading);
    last_ = &impairments_->last();
}

void SignalChain::buildStages(const SignalParameters& p, SymbolEngine& engine, SampleBuffer* mapperTap) {
    mapper_.emplace(p, engine, mapperTap);
    last_ = &*mapper_;
    const auto symbols = static_cast<std::size_t>(chainSymbolCount(p));
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
        if (timingErrorStreams(p.timingError, p.symbolRate, p.samplingRate)) {
            timingError_ = std::make_unique<TimingErrorStage>(*last_, length, p.timingError, p.symbolRate, p.samplingRate);
            last_ = timingError_.get();
        } else {
            // Instants on no finite grid: the rare settings only the whole-buffer form takes, so
            // the stages before it run to the end of the file here.
            wholeFile_ = std::make_unique<BufferSource>(
                applyTimingError(readWhole(*last_, length), p.timingError, p.symbolRate, p.samplingRate));
            last_ = wholeFile_.get();
        }
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
