#pragma once
// Complex white Gaussian noise at a signal-to-noise ratio measured against the signal itself.

#include <cstdint>
#include <random>
#include <span>

#include <memory>

#include "channel/NormalPairs.h"
#include "common/SeedSource.h"
#include "common/Signal.h"

namespace quorvel {

// The power ratio 10^(db / 10) of a level in dB.
double dbToLinear(double db);

// False when the stage leaves the signal as it is and draws no seed: an empty signal, or an SNR of
// +infinity.
bool addsNoise(const SampleBuffer& signal, double snrDb);

// Mean power per complex sample, I^2 + Q^2 averaged; 0 for an empty signal.
double meanPower(const SampleBuffer& signal);

// Standard deviation of each noise component for a signal of this mean power.
double noiseStandardDeviation(double signalPower, double snrDb);

// The same for the signal's measured mean power.
double noiseStandardDeviation(const SampleBuffer& signal, double snrDb);

// Which normal pairs a file's noise takes: see NormalPairs.h.
enum class NoiseDraws { PolarTwister, CounterBoxMuller };

// Adds the noise of one buffer in consecutive pieces, so that later work can start on the first
// samples while the rest is still being drawn; the pieces together get exactly the values one
// pass over the whole buffer would.
class NoiseGenerator {
public:
    NoiseGenerator(double standardDeviation, std::uint32_t seed, NoiseDraws draws = NoiseDraws::PolarTwister);

    // Adds the next samples' noise: each sample takes one pair, Q the first value, I the second.
    void addTo(std::span<ComplexSample> samples);

    // The same in two halves, so that they can run on two threads: the pairs of the next count
    // samples readied, in order, on one thread...
    void drawPoints(NormalPiece& piece, std::size_t count);

    // ...and the noise of a readied piece added to its samples, which any thread can do.
    void addPoints(const NormalPiece& piece, std::span<ComplexSample> samples) const;

private:
    std::unique_ptr<NormalPairs> pairs_;
    double standardDeviation_;
};

// The input plus complex noise of total power (mean input power) / 10^(snrDb / 10) per sample,
// from an engine seeded by one call of seeds; the input unchanged, with no seed drawn, when it is
// empty or snrDb is +infinity.
SampleBuffer addWhiteGaussianNoise(const SampleBuffer& input, double snrDb,
                                   const SeedSource& seeds);

// The same, done in the given storage, which is returned; bit-identical results.
SampleBuffer addWhiteGaussianNoise(SampleBuffer&& input, double snrDb, const SeedSource& seeds);

}  // namespace quorvel
