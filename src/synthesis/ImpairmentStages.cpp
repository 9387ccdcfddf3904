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

bool hasChannelStages(const Impairments& impairments) {
    return impairments.clockOffsetPpm != 0.0 || !impairments.multipath.empty() || impairments.fading ||
           impairments.phaseNoise;
}

ChannelImpairmentStages::ChannelImpairmentStages(SampleSource& upstream, std::size_t count,
                                                 const SignalParameters& p,
                                                 const ImpairmentSeeds& seeds,
                                                 StageThreading threading)
    : last_(&upstream) {
    const auto handOver = [&] {
        if (threading != StageThreading::PerChannelStage) {
            return;
        }
        // A stage the budget has no helper for runs on its reader's thread.
        if (HelperThreads helper(1); helper.count() == 1) {
            threads_.push_back(std::make_unique<StageThread>(*last_, std::move(helper)));
            last_ = threads_.back().get();
        }
    };
    const Impairments& impairments = p.impairments;
    if (impairments.clockOffsetPpm != 0.0) {
        handOver();
        clockOffset_ =
            std::make_unique<ClockOffsetStage>(*last_, count, impairments.clockOffsetPpm);
        last_ = clockOffset_.get();
    }
    if (!impairments.multipath.empty() || impairments.fading) {
        handOver();
        propagation_ = std::make_unique<MultipathFadingStage>(
            *last_, count, impairments.multipath, impairments.fading, p.samplingRate, seeds.fading);
        last_ = propagation_.get();
    }
    if (impairments.phaseNoise) {
        handOver();
        phaseNoise_ = std::make_unique<PhaseNoiseStage>(*last_, *impairments.phaseNoise,
                                                        p.samplingRate, seeds.phaseNoise);
        last_ = phaseNoise_.get();
    }
}

void ChannelImpairmentStages::stopThreads() {
    for (const auto& thread : threads_) {
        thread->stop();
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
