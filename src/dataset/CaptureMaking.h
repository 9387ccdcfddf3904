#pragma once
// One capture made by the synthesis engine: the first L samples of the run of
// captureSymbolCount symbols that the capture's settings describe, its symbol engine seeded by
// the first of counterSeeds(key) and its random impairment stages by counterStageSeeds(key); then
// white Gaussian noise at the capture's SNR against the mean power of those L samples, from the
// second seed, and the receiver's IQ imbalance and DC offset. Without noise (an SNR of +inf) the
// capture is sample for sample the start of the file quorvel-cli makes with those settings and
// seeds; with noise, only the noise level differs, as the file measures its power over all of it.
// A recipe's normalisation scales the capture: "unit_constellation" the chain's output by
// 1 / sqrt(the constellation's mean energy) before the noise, the amplifier's saturation divided
// by the same factor, which is the chain with the points scaled before the pulse, since every
// stage up to the noise but the amplifier is linear and Rapp(a x; s) = a Rapp(x; s / a);
// "unit_power" the finished capture to mean power 1.

#include <cstdint>
#include <span>

#include "common/Signal.h"
#include "dataset/CapturePlan.h"

namespace quorvel {

struct CaptureSamples {
    SampleBuffer samples;
    double signalPower = 0.0;  // mean I^2 + Q^2 before the noise
    double scale = 1.0;        // the normalisation's factor on the samples
};

// Makes the capture into out (resized to `samples`), normalised as the recipe says.
void makeCapture(const CapturePlan& plan, std::uint32_t samples, CaptureSamples& out,
                 Normalization normalization = Normalization::None);

}  // namespace quorvel
