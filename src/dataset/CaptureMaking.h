#pragma once
// One capture made by the synthesis engine: the first L samples of the run of
// captureSymbolCount symbols that the capture's settings describe, its symbol engine seeded by
// the first of counterSeeds(key) and its random impairment stages by counterStageSeeds(key); then
// white Gaussian noise at the capture's SNR against the mean power of those L samples, from the
// second seed, and the receiver's IQ imbalance and DC offset. Without noise (an SNR of +inf) the
// capture is sample for sample the start of the file quorvel-cli makes with those settings and
// seeds; with noise, only the noise level differs, as the file measures its power over all of it.

#include <cstdint>
#include <span>

#include "common/Signal.h"
#include "dataset/CapturePlan.h"

namespace quorvel {

struct CaptureSamples {
    SampleBuffer samples;
    double signalPower = 0.0;  // mean I^2 + Q^2 before the noise
};

// Makes the capture into out (resized to `samples`).
void makeCapture(const CapturePlan& plan, std::uint32_t samples, CaptureSamples& out);

}  // namespace quorvel
