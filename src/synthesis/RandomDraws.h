#pragma once
// The noise generator a run's random draws ask for.

#include "channel/WhiteGaussianNoise.h"
#include "common/SignalParameters.h"
#include "modulation/SchemeCatalog.h"

namespace quorvel {

inline NoiseDraws noiseDraws(const SignalParameters& parameters) {
    return drawsByCounter(parameters) ? NoiseDraws::CounterBoxMuller : NoiseDraws::PolarTwister;
}

}  // namespace quorvel
