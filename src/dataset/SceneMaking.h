#pragma once
// One scene capture made from its plan: each emitter made noiseless at its own rate (makeCapture),
// brought to the capture's rate with its spectrum kept (RateConversion), shifted to each box's
// centre with its phase running on across hops, gated to its boxes with raised-cosine ramps,
// scaled to its SNR and summed; then, with a receiver, its frequency offset, phase noise, IQ
// imbalance and DC offset act on that sum (the signal, not the floor); then white Gaussian noise
// of power 1 per sample, from the first seed counterSeeds(capture key) gives, drawn by counter.

#include <cstdint>

#include "common/Signal.h"
#include "dataset/CaptureMaking.h"
#include "dataset/ScenePlan.h"

namespace quorvel {

// An emitter's share of a capture: its samples from sample `first` on, to the end of its last box.
struct EmitterSamples {
    std::uint64_t first = 0;
    SampleBuffer samples;
};

// The emitter's samples at the capture's rate, as they are summed into the capture.
void makeEmitter(const SceneSettings& settings, const EmitterPlan& emitter, EmitterSamples& out);

// The capture (`samples` long) into out: signalPower is the emitters' sum's mean power before the
// receiver, scale 1.
void makeScene(const DatasetRecipe& recipe, const ScenePlan& plan, CaptureSamples& out);

}  // namespace quorvel
