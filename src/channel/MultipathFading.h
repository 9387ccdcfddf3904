#pragma once
// Propagation over static paths (delay, gain, phase), each of which may fade on its own, or a
// single path that fades: one stage, since with both every tap gets its own fading.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "channel/FadingGenerator.h"
#include "channel/PaddedWindow.h"
#include "channel/SamplePairs.h"
#include "common/Impairments.h"
#include "common/SampleSource.h"
#include "common/Signal.h"

namespace quorvel {

// One path as a filter: y[n] = c[n] sum_m coefficients[m] x[n - firstLag - m], with c[n] the
// path's fading gain, or 1 when it does not fade. A whole-sample delay is one coefficient; a
// fractional one the windowed-sinc interpolator around it (negative lags look ahead).
struct PropagationPath {
    std::int64_t firstLag = 0;
    std::vector<ComplexSample> coefficients{};
    std::optional<FadingGenerator> fading{};
    // Each coefficient's real and imaginary part twice over, for the filter loop.
    std::vector<DoublePair> realParts{};
    std::vector<DoublePair> imaginaryParts{};
};

// The paths of the taps (one direct tap of 0 dB when there are none), in tap order; with fading,
// each tap that fades draws its generator from one engine seeded with seed, tap after tap.
std::vector<PropagationPath> propagationPaths(const std::vector<MultipathTap>& taps,
                                              const std::optional<Fading>& fading,
                                              double samplingRateHz, std::uint32_t seed);

// The input through every path, summed in tap order, as a linear convolution cut to the input's
// length (the input taken as 0 outside its samples).
SampleBuffer applyMultipathFading(const SampleBuffer& input, const std::vector<MultipathTap>& taps,
                                  const std::optional<Fading>& fading, double samplingRateHz,
                                  std::uint32_t seed);

// The same as a stage over a stream of `count` samples: block by block it hands out what
// applyMultipathFading gives for the whole input.
class MultipathFadingStage final : public SampleSource {
  public:
    MultipathFadingStage(SampleSource& input, std::size_t count,
                         const std::vector<MultipathTap>& taps, const std::optional<Fading>& fading,
                         double samplingRateHz, std::uint32_t seed);

    std::size_t read(std::span<ComplexSample> out) override;

  private:
    std::vector<PropagationPath> paths_;
    PaddedWindow input_;
    std::size_t count_;
    std::int64_t lowestLag_ = 0;
    std::int64_t highestLag_ = 0;
    SampleBuffer gains_;
    std::size_t next_ = 0;
};

}  // namespace quorvel
