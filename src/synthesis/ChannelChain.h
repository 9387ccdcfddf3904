#pragma once
// The stages after mapping, in their fixed order.

#include "common/SeedSource.h"
#include "common/Signal.h"
#include "synthesis/SignalParameters.h"

namespace quorvel {

// Mixing, timing error and frequency offset (each only when its value is not 0), then noise.
// Takes the working buffer by value so that stages that can work in place reuse its storage.
SampleBuffer applyChannel(SampleBuffer working, const SignalParameters& parameters, const SeedSource& seeds);

}  // namespace quorvel
