#include "synthesis/ChannelChain.h"

#include <utility>

#include "channel/FrequencyOffset.h"
#include "channel/Mixing.h"
#include "channel/TimingError.h"
#include "channel/WhiteGaussianNoise.h"

namespace quorvel {

SampleBuffer applyChannel(SampleBuffer working, const SignalParameters& p, const SeedSource& seeds) {
    // Comparing with 0.0 skips both +0 and -0: a zero value never runs its stage.
    if (p.mixingFrequency != 0.0) {
        working = frequencyShift(std::move(working), p.mixingFrequency, p.samplingRate);
    }
    if (p.timingError != 0.0) {
        working = applyTimingError(working, p.timingError, p.symbolRate, p.samplingRate);
    }
    if (p.frequencyOffset != 0.0) {
        working = applyFrequencyOffset(std::move(working), p.frequencyOffset, p.samplingRate);
    }
    return addWhiteGaussianNoise(std::move(working), p.snrDb, seeds);
}

}  // namespace quorvel
