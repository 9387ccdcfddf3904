#pragma once
// Complex white Gaussian noise at a signal-to-noise ratio measured against the signal itself.

#include "common/SeedSource.h"
#include "common/Signal.h"

namespace quorvel {

// The power ratio 10^(db / 10) of a level in dB.
double dbToLinear(double db);

// The input plus complex noise of total power (mean input power) / 10^(snrDb / 10) per sample,
// from an engine seeded by one call of seeds; the input unchanged, with no seed drawn, when it is
// empty or snrDb is +infinity.
SampleBuffer addWhiteGaussianNoise(const SampleBuffer& input, double snrDb,
                                   const SeedSource& seeds);

// The same, done in the given storage, which is returned; bit-identical results.
SampleBuffer addWhiteGaussianNoise(SampleBuffer&& input, double snrDb, const SeedSource& seeds);

}  // namespace quorvel
