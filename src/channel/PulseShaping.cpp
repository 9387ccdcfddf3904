#include "channel/PulseShaping.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "channel/Resampling.h"

namespace quorvel {
PulseShapingStage::PulseShapingStage(SampleSource& points, std::size_t symbolCount, const PulseShaping& shaping)
    : points_(points), symbolCount_(static_cast<std::int64_t>(symbolCount)),
      length_(resampledLength(symbolCount, shaping.symbolRateHz, shaping.samplingRateHz)),
      filter_(shaping.shape, shaping.rolloff, shaping.spanSymbols, shaping.samplingRateHz / shaping.symbolRateHz),
      delayQuadrature_(shaping.delayQuadrature), grid_(shaping.symbolRateHz, shaping.samplingRateHz) {
    // A sample at grid position s + f (0 <= f < 1) meets the pulses of the symbols within half a
    // span of s + f - delay, delay being 0 or 1/2: for either delay s - ceil(span / 2) ...
    // s + ceil(span / 2).
    const int half = static_cast<int>(std::ceil(filter_.halfSpan()));
    firstOffset_ = -half;
    width_ = 2 * half + 1;
    const std::int64_t phases = grid_.phases();
    const double symbolsPerSample = shaping.symbolRateHz / shaping.samplingRateHz;
    step_ = filter_.anglesAt(symbolsPerSample);
    stepPastSymbol_ = filter_.anglesAt(symbolsPerSample - 1.0);
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

const PulseAngles& PulseShapingStage::anglesFor(const SymbolGrid::Position& at, std::uint64_t n, int rail,
                                                double t0) {
    // Each sample asks once per rail, in order from sample 0, which is computed afresh.
    Walk& walk = walks_[rail];
    const std::int64_t passed = at.symbol - walk.symbol;
    if (n % kFreshAngles != 0 && (passed == 0 || passed == 1)) {
        walk.angles = addAngles(walk.angles, passed == 0 ? step_ : stepPastSymbol_);
    } else {
        walk.angles = filter_.anglesAt(t0);
    }
    walk.symbol = at.symbol;
    return walk.angles;
}

const double* PulseShapingStage::taps(const SymbolGrid::Position& at, std::uint64_t n, int rail) {
    if (grid_.phases() > 0) {
        return bank_[rail].data() + at.phase * width_;
    }
    const double delay = rail == 1 && delayQuadrature_ ? 0.5 : 0.0;
    const double t0 = at.fraction - delay - firstOffset_;
    std::vector<double>& scratch = scratch_[rail];
    const PulseAngles none;
    filter_.atWholeSteps(t0, filter_.hasAngles() ? anglesFor(at, n, rail, t0) : none, width_, scratch.data());
    return scratch.data();
}

ComplexSample PulseShapingStage::edgeSample(const SymbolGrid::Position& at, std::uint64_t n,
                                            const ComplexSample* held, std::int64_t heldFrom) {
    const std::int64_t first = at.symbol + firstOffset_;
    const std::int64_t low = std::max<std::int64_t>(first, 0);
    const std::int64_t high = std::min<std::int64_t>(first + width_, symbolCount_) - 1;
    const double* inPhase = taps(at, n, 0);
    const double* quadrature = delayQuadrature_ ? taps(at, n, 1) : inPhase;
    ComplexSample sum;
    for (std::int64_t k = low; k <= high; ++k) {
        const ComplexSample& point = held[k - heldFrom];
        const auto j = static_cast<std::size_t>(k - first);
        sum.i += point.i * inPhase[j];
        sum.q += point.q * quadrature[j];
    }
    return sum;
}

// Both rails in one pair of lanes, and two partial sums, so that the additions do not wait on
// each other; each lane adds exactly as the scalar sums would.
ComplexSample PulseShapingStage::innerSample(const ComplexSample* points, const double* inPhase,
                                             const double* quadrature) const {
    using Pair = double __attribute__((vector_size(16)));
    Pair even = {0.0, 0.0};
    Pair odd = {0.0, 0.0};
    const auto pairAt = [points](int j) {
        Pair p;
        std::memcpy(&p, &points[j], sizeof p);
        return p;
    };
    int j = 0;
    for (; j + 1 < width_; j += 2) {
        even += pairAt(j) * Pair{inPhase[j], quadrature[j]};
        odd += pairAt(j + 1) * Pair{inPhase[j + 1], quadrature[j + 1]};
    }
    if (j < width_) {
        even += pairAt(j) * Pair{inPhase[j], quadrature[j]};
    }
    return {even[0] + odd[0], even[1] + odd[1]};
}

std::size_t PulseShapingStage::read(std::span<ComplexSample> out) {
    const std::size_t count = std::min<std::size_t>(out.size(), length_ - next_);
    if (count == 0) {
        return 0;
    }
    SymbolGrid::Position at = grid_.at(next_);
    const std::int64_t heldFrom = std::max<std::int64_t>(at.symbol + firstOffset_, 0);
    const std::int64_t heldTo =
        std::min<std::int64_t>(grid_.at(next_ + count - 1).symbol + firstOffset_ + width_, symbolCount_) - 1;
    const ComplexSample* held = points_.hold(static_cast<std::size_t>(heldFrom), static_cast<std::size_t>(heldTo));
    for (std::size_t k = 0; k < count; ++k) {
        const std::int64_t first = at.symbol + firstOffset_;
        if (first >= 0 && first + width_ <= symbolCount_) {
            const double* inPhase = taps(at, next_, 0);
            const double* quadrature = delayQuadrature_ ? taps(at, next_, 1) : inPhase;
            out[k] = innerSample(held + (first - heldFrom), inPhase, quadrature);
        } else {
            out[k] = edgeSample(at, next_, held, heldFrom);
        }
        grid_.advance(at, next_++);
    }
    points_.release(static_cast<std::size_t>(std::max<std::int64_t>(at.symbol + firstOffset_, 0)));
    return count;
}

}  // namespace quorvel
