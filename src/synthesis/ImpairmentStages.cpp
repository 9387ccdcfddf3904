#include "synthesis/ImpairmentStages.h"

#include "channel/DcOffset.h"
#include "channel/IqImbalance.h"

namespace quorvel {

ImpairmentSeeds impairmentSeeds(const Impairments& impairments, const StageSeeds& seeds,
                                std::int32_t fileNumber) {
    ImpairmentSeeds drawn;
    if (impairments.fading) {
        drawn.fading = seeds(fileNumber, RandomStage::Fading);
    }
    if (impairments.phaseNoise) {
        drawn.phaseNoise = seeds(fileNumber, RandomStage::PhaseNoise);
    }
    return drawn;
}

ChannelImpairmentStages::ChannelImpairmentStages(SampleSource& upstream, std::size_t count,
                                                 const SignalParameters& p,
                                                 const ImpairmentSeeds& seeds)
    : last_(&upstream) {
    const Impairments& impairments = p.impairments;
    if (impairments.clockOffsetPpm != 0.0) {
        clockOffset_ =
            std::make_unique<ClockOffsetStage>(*last_, count, impairments.clockOffsetPpm);
        last_ = clockOffset_.get();
    }
    if (!impairments.multipath.empty() || impairments.fading) {
        propagation_ = std::make_unique<MultipathFadingStage>(
            *last_, count, impairments.multipath, impairments.fading, p.samplingRate, seeds.fading);
        last_ = propagation_.get();
    }
    if (impairments.phaseNoise) {
        phaseNoise_ = std::make_unique<PhaseNoiseStage>(*last_, *impairments.phaseNoise,
                                                        p.samplingRate, seeds.phaseNoise);
        last_ = phaseNoise_.get();
    }
}

void applyReceiverImpairments(const Impairments& impairments, std::span<ComplexSample> samples) {
    if (impairments.hasIqImbalance()) {
        applyIqImbalance(samples, impairments.iqImbalance);
    }
    if (impairments.hasDcOffset()) {
        addDcOffset(samples, impairments.dcOffset);
    }
}

}  // namespace quorvel
