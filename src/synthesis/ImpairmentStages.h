#pragma once
// The impairment stages of one file, built only for the impairments the run sets: the channel's
// after the frequency offset (clock offset, multipath and fading, phase noise) and the receiver's
// after the noise (IQ imbalance, DC offset).

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "channel/ClockOffset.h"
#include "channel/MultipathFading.h"
#include "channel/PhaseNoise.h"
#include "common/SampleSource.h"
#include "common/SeedSource.h"
#include "common/SignalParameters.h"
#include "synthesis/StageThread.h"

namespace quorvel {

// The seeds of one file's random stages; the measuring pass and the making pass of a file take
// the same ones, so both see the same samples.
struct ImpairmentSeeds {
    std::uint32_t fading = 0;
    std::uint32_t phaseNoise = 0;
};

// The seeds file fileNumber's stages take, drawn only for the stages the impairments set.
ImpairmentSeeds impairmentSeeds(const Impairments& impairments, const StageSeeds& seeds,
                                std::int32_t fileNumber);

// Whether the impairments set any of the channel's stages, the costly ones.
bool hasChannelStages(const Impairments& impairments);

// Whether each channel stage reads the one before it through a thread of its own, as far as the
// thread budget has helpers free.
enum class StageThreading { None, PerChannelStage };

class ChannelImpairmentStages {
  public:
    // The stages over upstream, a stream of `count` samples at the run's sampling rate.
    ChannelImpairmentStages(SampleSource& upstream, std::size_t count,
                            const SignalParameters& parameters, const ImpairmentSeeds& seeds,
                            StageThreading threading = StageThreading::None);

    // The last stage built, or upstream when no impairment of the channel is set.
    SampleSource& last() const { return *last_; }

    // Stops every stage thread: afterwards the stages before them are the caller's again.
    void stopThreads();

  private:
    std::unique_ptr<ClockOffsetStage> clockOffset_;
    std::unique_ptr<MultipathFadingStage> propagation_;
    std::unique_ptr<PhaseNoiseStage> phaseNoise_;
    // Last, so that every thread has stopped before any stage it reads goes.
    std::vector<std::unique_ptr<StageThread>> threads_;
    SampleSource* last_ = nullptr;
};

// The receiver's effects on a block after the noise, in place: memoryless, so any block order and
// any thread gives the same samples.
void applyReceiverImpairments(const Impairments& impairments, std::span<ComplexSample> samples);

}  // namespace quorvel
