#include "channel/PulseShaping.h"

#include <algorithm>
#include <cmath>

#include "channel/Resampling.h"

namespace quorvel {
PulseShapingStage::PulseShapingStage(SampleSource& points, std::size_t symbolCount, const PulseShaping& shaping)
    : points_(points), symbolCount_(static_cast<std::int64_t>(symbolCount)),
      length_(resampledLength(symbolCount, shaping.symbolRateHz, shaping.samplingRateHz)),
      filter_(shaping.shape, shaping.rolloff, shaping.spanSymbols, shaping.samplingRateHz / shaping.symbolRateHz),
      delayQuadrature_(shaping.delayQuadrature), grid_(shaping.symbolRateHz, shaping.samplingRateHz) {
    // A sample at grid position s + f (0 <= f < 1) meets the pulses of the symbols within half a
    // span of s + f - delay, delay being 0 or 1/2.
    const int half = static_cast<int>(std::ceil(filter_.halfSpan()));
    firstOffset_ = -half - 1;
    width_ = 2 * half + 3;
    const std::int64_t phases = grid_.phases();
    for (int rail = 0; rail < 2; ++rail) {
        scratch_[rail].resize(static_cast<std::size_t>(width_));
        const double delay = rail == 1 && delayQuadrature_ ? 0.5 : 0.0;
        for (std::int64_t phase = 0; phase < phases; ++phase) {
            for (int j = 0; j < width_; ++j) {
                const double t = static_cast<double>(phase) / static_cast<double>(phases) - delay - (firstOffset_ + j);
                bank_[rail].push_back(filter_.at(t));
            }
        }
    }
}

const double* PulseShapingStage::taps(const SymbolGrid::Position& at, int rail, std::vector<double>& scratch) const {
    if (grid_.phases() > 0) {
        return bank_[rail].data() + at.phase * width_;
    }
    const double delay = rail == 1 && delayQuadrature_ ? 0.5 : 0.0;
    for (int j = 0; j < width_; ++j) {
        scratch[static_cast<std::size_t>(j)] = filter_.at(at.fraction - delay - (firstOffset_ + j));
    }
    return scratch.data();
}

ComplexSample PulseShapingStage::sampleAt(const SymbolGrid::Position& at) {
    const std::int64_t first = at.symbol + firstOffset_;
    const std::int64_t low = std::max<std::int64_t>(first, 0);
    const std::int64_t high = std::min<std::int64_t>(first + width_, symbolCount_) - 1;
    if (low > high) {
        return {};
    }
    const double* inPhase = taps(at, 0, scratch_[0]);
    const double* quadrature = delayQuadrature_ ? taps(at, 1, scratch_[1]) : inPhase;
    const ComplexSample* held = points_.hold(static_cast<std::size_t>(low), static_cast<std::size_t>(high));
    ComplexSample sum;
    for (std::int64_t k = low; k <= high; ++k) {
        const ComplexSample& point = held[k - low];
        const auto j = static_cast<std::size_t>(k - first);
        sum.i += point.i * inPhase[j];
        sum.q += point.q * quadrature[j];
    }
    points_.release(static_cast<std::size_t>(low));
    return sum;
}

std::size_t PulseShapingStage::read(std::span<ComplexSample> out) {
    const std::size_t count = std::min<std::size_t>(out.size(), length_ - next_);
    for (std::size_t k = 0; k < count; ++k) {
        out[k] = sampleAt(grid_.at(next_++));
    }
    return count;
}

}  // namespace quorvel
