#include "display/PlotGeometry.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <limits>

namespace quorvel {

namespace {

// Smallest and largest finite value seen; non-finite values never widen a plot's scale.
struct Extremes {
    double lo = std::numeric_limits<double>::infinity();
    double hi = -std::numeric_limits<double>::infinity();

    void add(double v) {
        if (std::isfinite(v)) {
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
    }
    bool empty() const { return lo > hi; }
};

// Maps a data value to its share of an axis, (v * scale - origin) / span. The scale is 1 unless
// the data's extent overflows a double; then every term is pre-scaled so the span stays finite.
// Multiplying by 1 is exact, so ordinary data lands on exactly the pixels of the plain formula.
struct Axis {
    double scale;
    double origin;
    double span;

    double fraction(double v) const { return (v * scale - origin) / span; }
};

double oneIfZero(double span) {
    return span == 0.0 ? 1.0 : span;
}

// lo at fraction 0, hi at fraction 1; a zero extent counts as 1.
Axis extentAxis(double lo, double hi) {
    const double scale = std::isfinite(hi - lo) ? 1.0 : 0.5;
    return {scale, lo * scale, oneIfZero(hi * scale - lo * scale)};
}

// Both constellation axes: each extent widened on both sides by a tenth of the larger extent.
std::array<Axis, 2> constellationAxes(const Extremes& xs, const Extremes& ys) {
    std::array<Axis, 2> axes{};
    // A quarter keeps extent plus margins finite even when both extremes are near the limit.
    for (const double scale : {1.0, 0.25}) {
        const double xlo = xs.lo * scale;
        const double xhi = xs.hi * scale;
        const double ylo = ys.lo * scale;
        const double yhi = ys.hi * scale;
        const double margin = oneIfZero(std::max(xhi - xlo, yhi - ylo)) * 0.1;
        axes = {Axis{scale, xlo - margin, (xhi + margin) - (xlo - margin)},
                Axis{scale, ylo - margin, (yhi + margin) - (ylo - margin)}};
        if (std::isfinite(axes[0].span) && std::isfinite(axes[1].span)) {
            break;
        }
    }
    return axes;
}

// Truncates v toward zero into pixel when v is finite and the result, widened by slack pixels
// on either side, still fits an int; otherwise leaves pixel alone and returns false.
bool toPixel(double v, int slack, int& pixel) {
    const double lowest = static_cast<double>(std::numeric_limits<int>::min() + slack) - 1.0;
    const double highest = static_cast<double>(std::numeric_limits<int>::max() - slack) + 1.0;
    if (!(v > lowest && v < highest)) {
        return false;
    }
    pixel = static_cast<int>(v);
    return true;
}

// The point at shares (fx, fy) of a width x height canvas, y measured from the bottom edge.
bool toPlotPoint(double fx, double fy, double width, double height, int slack, PixelPoint& point) {
    return toPixel(fx * width, slack, point.x) && toPixel((1.0 - fy) * height, slack, point.y);
}

}  // namespace

std::vector<PixelPoint> computeTimePlot(const SampleBuffer& signal, int width, int height) {
    std::vector<PixelPoint> points;
    Extremes extremes;
    for (const ComplexSample& s : signal) {
        extremes.add(s.i);
    }
    if (extremes.empty()) {
        return points;
    }
    const Axis level = extentAxis(extremes.lo, extremes.hi);
    const double count = static_cast<double>(signal.size());
    points.reserve(signal.size());
    for (std::size_t k = 0; k < signal.size(); ++k) {
        PixelPoint p{};
        if (toPlotPoint(static_cast<double>(k) / count, level.fraction(signal[k].i), width, height,
                        0, p)) {
            points.push_back(p);
        }
    }
    return points;
}

std::vector<PixelPoint> computeSpectrumPlot(const std::vector<double>& frequenciesHz,
                                            const std::vector<double>& powerDb, int width,
                                            int height) {
    std::vector<PixelPoint> points;
    // A level without its frequency (or the reverse) has nowhere to go.
    const std::size_t count = std::min(frequenciesHz.size(), powerDb.size());
    Extremes extremes;
    for (std::size_t k = 0; k < count; ++k) {
        extremes.add(powerDb[k]);
    }
    if (extremes.empty()) {
        return points;
    }
    // The frequencies ascend, so the first and last bins bound the axis without a scan.
    const Axis frequency = extentAxis(frequenciesHz.front(), frequenciesHz.back());
    const Axis level = extentAxis(extremes.lo, extremes.hi);
    points.reserve(count);
    for (std::size_t k = 0; k < count; ++k) {
        PixelPoint p{};
        if (toPlotPoint(frequency.fraction(frequenciesHz[k]), level.fraction(powerDb[k]), width,
                        height, 0, p)) {
            points.push_back(p);
        }
    }
    return points;
}

std::vector<DotBox> computeConstellationPlot(const SampleBuffer& points, int width, int height) {
    std::vector<DotBox> boxes;
    Extremes xs;
    Extremes ys;
    for (const ComplexSample& s : points) {
        if (std::isfinite(s.i) && std::isfinite(s.q)) {
            xs.add(s.i);
            ys.add(s.q);
        }
    }
    if (xs.empty()) {
        return boxes;
    }
    const auto [x, y] = constellationAxes(xs, ys);
    constexpr int kDotRadius = 2;
    boxes.reserve(points.size());
    for (const ComplexSample& s : points) {
        PixelPoint c{};
        if (toPlotPoint(x.fraction(s.i), y.fraction(s.q), width, height, kDotRadius, c)) {
            boxes.push_back(
                {c.x - kDotRadius, c.y - kDotRadius, c.x + kDotRadius, c.y + kDotRadius});
        }
    }
    return boxes;
}

}  // namespace quorvel
