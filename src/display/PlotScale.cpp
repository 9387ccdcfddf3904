#include "display/PlotScale.h"

#include "common/Lanes.h"
#include "common/WideKernel.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace quorvel {

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

// Smallest and largest finite value seen; non-finite values never widen a plot's scale.
struct Extremes {
    double lo = kInfinity;
    double hi = -kInfinity;

    void add(double v) {
        if (std::isfinite(v)) {
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
    }
    bool empty() const { return lo > hi; }
};

// Four doubles processed as one (two registers on the SSE2 baseline). The compilers do not
// vectorise a floating-point minimum over a loop by themselves, since the order of the
// comparisons decides which of two equal values is kept.
using Lanes = DoubleLanes<4>;

// Extremes kept lane by lane. Lanes meet values in another order than one scan would, which
// matters only for +0 and -0: the axes subtract the extremes from the data, and either zero
// gives the same differences, so the same pixels.
struct LaneExtremes {
    Lanes lo = {kInfinity, kInfinity, kInfinity, kInfinity};
    Lanes hi = -lo;

    // Adds the lanes of v where finite is set (all bits), a comparison's mask.
    template <typename Mask>
    void add(const Lanes& v, const Mask& finite) {
        const Lanes infinities = {kInfinity, kInfinity, kInfinity, kInfinity};
        const Lanes forLo = finite ? v : infinities;
        const Lanes forHi = finite ? v : -infinities;
        lo = forLo < lo ? forLo : lo;
        hi = forHi > hi ? forHi : hi;
    }

    Extremes merged() const {
        Extremes e;
        for (int l = 0; l < 4; ++l) {
            e.lo = std::min(e.lo, lo[l]);
            e.hi = std::max(e.hi, hi[l]);
        }
        return e;
    }
};

QUORVEL_WIDE_KERNEL
Extremes realPartExtremes(const ComplexSample* samples, std::size_t count) {
    LaneExtremes lanes;
    std::size_t k = 0;
    for (; k + 4 <= count; k += 4) {
        const Lanes v = {samples[k].i, samples[k + 1].i, samples[k + 2].i, samples[k + 3].i};
        lanes.add(v, v - v == 0.0);  // 0 exactly for finite v, NaN otherwise
    }
    Extremes e = lanes.merged();
    for (; k < count; ++k) {
        e.add(samples[k].i);
    }
    return e;
}

QUORVEL_WIDE_KERNEL
Extremes valueExtremes(const double* values, std::size_t count) {
    LaneExtremes lanes;
    std::size_t k = 0;
    for (; k + 4 <= count; k += 4) {
        const Lanes v = {values[k], values[k + 1], values[k + 2], values[k + 3]};
        lanes.add(v, v - v == 0.0);  // 0 exactly for finite v, NaN otherwise
    }
    Extremes e = lanes.merged();
    for (; k < count; ++k) {
        e.add(values[k]);
    }
    return e;
}

// The extremes of the real and of the imaginary parts over the points with both parts finite.
QUORVEL_WIDE_KERNEL
std::array<Extremes, 2> pointExtremes(const ComplexSample* points, std::size_t count) {
    LaneExtremes is;
    LaneExtremes qs;
    std::size_t k = 0;
    for (; k + 4 <= count; k += 4) {
        const Lanes i = {points[k].i, points[k + 1].i, points[k + 2].i, points[k + 3].i};
        const Lanes q = {points[k].q, points[k + 1].q, points[k + 2].q, points[k + 3].q};
        const auto finite = (i - i == 0.0) & (q - q == 0.0);
        is.add(i, finite);
        qs.add(q, finite);
    }
    std::array<Extremes, 2> e = {is.merged(), qs.merged()};
    for (; k < count; ++k) {
        if (std::isfinite(points[k].i) && std::isfinite(points[k].q)) {
            e[0].add(points[k].i);
            e[1].add(points[k].q);
        }
    }
    return e;
}

double oneIfZero(double span) {
    return span == 0.0 ? 1.0 : span;
}

// lo at fraction 0, hi at fraction 1; a zero extent counts as 1. Multiplying by a scale of 1 is
// exact, so ordinary data lands on exactly the pixels of the plain formula.
AxisScale extentAxis(double lo, double hi) {
    const double scale = std::isfinite(hi - lo) ? 1.0 : 0.5;
    return {scale, lo * scale, oneIfZero(hi * scale - lo * scale)};
}

// Both constellation axes: each extent widened on both sides by a tenth of the larger extent.
std::array<AxisScale, 2> constellationAxes(const Extremes& xs, const Extremes& ys) {
    std::array<AxisScale, 2> axes{};
    // A quarter keeps extent plus margins finite even when both extremes are near the limit.
    for (const double scale : {1.0, 0.25}) {
        const double xlo = xs.lo * scale;
        const double xhi = xs.hi * scale;
        const double ylo = ys.lo * scale;
        const double yhi = ys.hi * scale;
        const double margin = oneIfZero(std::max(xhi - xlo, yhi - ylo)) * 0.1;
        axes = {AxisScale{scale, xlo - margin, (xhi + margin) - (xlo - margin)},
                AxisScale{scale, ylo - margin, (yhi + margin) - (ylo - margin)}};
        if (std::isfinite(axes[0].span) && std::isfinite(axes[1].span)) {
            break;
        }
    }
    return axes;
}

// A pixel coordinate v is kept when it is finite and, truncated toward zero and widened by
// slack pixels on either side, still fits an int.
struct PixelLimits {
    double lowest;
    double highest;

    explicit PixelLimits(int slack)
        : lowest(static_cast<double>(std::numeric_limits<int>::min() + slack) - 1.0),
          highest(static_cast<double>(std::numeric_limits<int>::max() - slack) + 1.0) {}

    bool keeps(double v) const { return (v > lowest) & (v < highest); }
};

double fraction(const AxisScale& axis, double v) {
    return (v * axis.scale - axis.origin) / axis.span;
}

// The loops below are written without branches, converting only values that fit, so that they
// vectorise.

// Point j at x and at the share fy of the height, measured from the bottom edge; 1 if drawn.
inline int placeInColumn(PixelBlock& block, int j, int x, double fy, double height,
                         PixelLimits limits) {
    const double py = (1.0 - fy) * height;
    const bool drawn = limits.keeps(py);
    const auto at = static_cast<std::size_t>(j);
    block.x[at] = drawn ? x : 0;
    block.y[at] = static_cast<int>(drawn ? py : 0.0);
    block.drawn[at] = drawn ? 1 : 0;
    return drawn ? 1 : 0;
}

// Point j at the shares (fx, fy) of a width x height canvas; 1 if drawn.
inline int place(PixelBlock& block, int j, double fx, double fy, double width, double height,
                 PixelLimits limits) {
    const double px = fx * width;
    const double py = (1.0 - fy) * height;
    const bool keepsX = limits.keeps(px);
    const bool keepsY = limits.keeps(py);
    const bool drawn = keepsX && keepsY;
    const auto at = static_cast<std::size_t>(j);
    block.x[at] = static_cast<int>(drawn ? px : 0.0);
    block.y[at] = static_cast<int>(drawn ? py : 0.0);
    block.drawn[at] = drawn ? 1 : 0;
    return drawn ? 1 : 0;
}

// The column of the first and of the last point when the x of every point in between lies
// between theirs: both the same column means every point is in it, and the per-point x need
// not be computed. Returns false when they differ or either is not drawn.
bool sharedColumn(double firstX, double lastX, PixelLimits limits, int& column) {
    if (!limits.keeps(firstX) || !limits.keeps(lastX) ||
        static_cast<int>(firstX) != static_cast<int>(lastX)) {
        return false;
    }
    column = static_cast<int>(firstX);
    return true;
}

// Sample k is at k / N of the width. k is counted from first in doubles: the sum of two integers
// below 2^53 is exact, so this is the double of k itself, and it vectorises where a 64-bit
// index converted to double would not. x grows with k, so a block can share one column.
QUORVEL_WIDE_KERNEL
void mapTimeBlock(const ComplexSample* samples, int count, double first, double total,
                  AxisScale level, double width, double height, PixelBlock& block) {
    const PixelLimits limits(0);
    const double lastIndex = first + static_cast<double>(count - 1);
    int column = 0;
    int drawn = 0;
    block.oneColumn =
        sharedColumn(first / total * width, lastIndex / total * width, limits, column);
    if (block.oneColumn) {
        for (int j = 0; j < count; ++j) {
            drawn += placeInColumn(block, j, column, fraction(level, samples[j].i), height, limits);
        }
    } else {
        for (int j = 0; j < count; ++j) {
            const double k = first + static_cast<double>(j);
            drawn +=
                place(block, j, k / total, fraction(level, samples[j].i), width, height, limits);
        }
    }
    block.drawnCount = static_cast<std::size_t>(drawn);
}

// x follows the frequency the same way up or down, so a block of ascending frequencies can
// share one column too.
QUORVEL_WIDE_KERNEL
void mapSpectrumBlock(const double* frequenciesHz, const double* powerDb, int count,
                      AxisScale frequency, AxisScale level, double width, double height,
                      PixelBlock& block) {
    const PixelLimits limits(0);
    // Counted rather than and-ed together, which would not vectorise; NaN counts as out of order.
    int outOfOrder = 0;
    for (int j = 0; j + 1 < count; ++j) {
        outOfOrder += frequenciesHz[j] <= frequenciesHz[j + 1] ? 0 : 1;
    }
    int column = 0;
    int drawn = 0;
    block.oneColumn =
        outOfOrder == 0 &&
        sharedColumn(fraction(frequency, frequenciesHz[0]) * width,
                     fraction(frequency, frequenciesHz[count - 1]) * width, limits, column);
    if (block.oneColumn) {
        for (int j = 0; j < count; ++j) {
            drawn += placeInColumn(block, j, column, fraction(level, powerDb[j]), height, limits);
        }
    } else {
        for (int j = 0; j < count; ++j) {
            drawn += place(block, j, fraction(frequency, frequenciesHz[j]),
                           fraction(level, powerDb[j]), width, height, limits);
        }
    }
    block.drawnCount = static_cast<std::size_t>(drawn);
}

QUORVEL_WIDE_KERNEL
void mapConstellationBlock(const ComplexSample* points, int count, AxisScale x, AxisScale y,
                           double width, double height, PixelBlock& block) {
    const PixelLimits limits(kDotRadius);
    int drawn = 0;
    for (int j = 0; j < count; ++j) {
        drawn += place(block, j, fraction(x, points[j].i), fraction(y, points[j].q), width, height,
                       limits);
    }
    block.drawnCount = static_cast<std::size_t>(drawn);
    block.oneColumn = false;
}

int blockCount(std::size_t count) {
    return static_cast<int>(std::min(count, PixelBlock::kCapacity));
}

}  // namespace

TimePlotScale::TimePlotScale(const SampleBuffer& signal, int width, int height)
    : signal_(signal), width_(width), height_(height) {
    const Extremes extremes = realPartExtremes(signal.data(), signal.size());
    empty_ = extremes.empty();
    if (!empty_) {
        level_ = extentAxis(extremes.lo, extremes.hi);
    }
}

void TimePlotScale::map(std::size_t begin, std::size_t count, PixelBlock& block) const {
    mapTimeBlock(signal_.data() + begin, blockCount(count), static_cast<double>(begin),
                 static_cast<double>(signal_.size()), level_, width_, height_, block);
}

SpectrumPlotScale::SpectrumPlotScale(const std::vector<double>& frequenciesHz,
                                     const std::vector<double>& powerDb, int width, int height)
    : frequenciesHz_(frequenciesHz),
      powerDb_(powerDb),
      // A level without its frequency (or the reverse) has nowhere to go.
      size_(std::min(frequenciesHz.size(), powerDb.size())),
      width_(width),
      height_(height) {
    const Extremes extremes = valueExtremes(powerDb.data(), size_);
    empty_ = extremes.empty();
    if (!empty_) {
        // The frequencies ascend, so the first and last bins bound the axis without a scan.
        frequency_ = extentAxis(frequenciesHz.front(), frequenciesHz.back());
        level_ = extentAxis(extremes.lo, extremes.hi);
    }
}

void SpectrumPlotScale::map(std::size_t begin, std::size_t count, PixelBlock& block) const {
    mapSpectrumBlock(frequenciesHz_.data() + begin, powerDb_.data() + begin, blockCount(count),
                     frequency_, level_, width_, height_, block);
}

ConstellationScale::ConstellationScale(const SampleBuffer& points, int width, int height)
    : points_(points), width_(width), height_(height) {
    const auto [xs, ys] = pointExtremes(points.data(), points.size());
    empty_ = xs.empty();
    if (!empty_) {
        axes_ = constellationAxes(xs, ys);
    }
}

void ConstellationScale::map(std::size_t begin, std::size_t count, PixelBlock& block) const {
    mapConstellationBlock(points_.data() + begin, blockCount(count), axes_[0], axes_[1], width_,
                          height_, block);
}

}  // namespace quorvel
