#pragma once
// The plot geometry the plain way, a point at a time straight from the formulas (as the viewer
// first computed it), and signals that stress the block-wise fast paths: the references that
// the plot geometry, the reductions and the canvases are checked against.

#include "common/Signal.h"
#include "display/PlotGeometry.h"
#include "support/NonFinite.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace quorvel::testing_support {

namespace reference_detail {

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

struct Axis {
    double scale;
    double origin;
    double span;

    double fraction(double v) const { return (v * scale - origin) / span; }
};

inline double oneIfZero(double span) {
    return span == 0.0 ? 1.0 : span;
}

inline Axis extentAxis(double lo, double hi) {
    const double scale = std::isfinite(hi - lo) ? 1.0 : 0.5;
    return {scale, lo * scale, oneIfZero(hi * scale - lo * scale)};
}

inline std::array<Axis, 2> constellationAxes(const Extremes& xs, const Extremes& ys) {
    std::array<Axis, 2> axes{};
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

inline bool toPixel(double v, int slack, int& pixel) {
    const double lowest = static_cast<double>(std::numeric_limits<int>::min() + slack) - 1.0;
    const double highest = static_cast<double>(std::numeric_limits<int>::max() - slack) + 1.0;
    if (!(v > lowest && v < highest)) {
        return false;
    }
    pixel = static_cast<int>(v);
    return true;
}

inline bool toPlotPoint(double fx, double fy, double width, double height, int slack,
                        PixelPoint& point) {
    return toPixel(fx * width, slack, point.x) && toPixel((1.0 - fy) * height, slack, point.y);
}

}  // namespace reference_detail

inline std::vector<PixelPoint> referenceTimePlot(const SampleBuffer& signal, int width,
                                                 int height) {
    using namespace reference_detail;
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
    for (std::size_t k = 0; k < signal.size(); ++k) {
        PixelPoint p{};
        if (toPlotPoint(static_cast<double>(k) / count, level.fraction(signal[k].i), width, height,
                        0, p)) {
            points.push_back(p);
        }
    }
    return points;
}

inline std::vector<PixelPoint> referenceSpectrumPlot(const std::vector<double>& frequenciesHz,
                                                     const std::vector<double>& powerDb, int width,
                                                     int height) {
    using namespace reference_detail;
    std::vector<PixelPoint> points;
    const std::size_t count = std::min(frequenciesHz.size(), powerDb.size());
    Extremes extremes;
    for (std::size_t k = 0; k < count; ++k) {
        extremes.add(powerDb[k]);
    }
    if (extremes.empty()) {
        return points;
    }
    const Axis frequency = extentAxis(frequenciesHz.front(), frequenciesHz.back());
    const Axis level = extentAxis(extremes.lo, extremes.hi);
    for (std::size_t k = 0; k < count; ++k) {
        PixelPoint p{};
        if (toPlotPoint(frequency.fraction(frequenciesHz[k]), level.fraction(powerDb[k]), width,
                        height, 0, p)) {
            points.push_back(p);
        }
    }
    return points;
}

inline std::vector<DotBox> referenceConstellationPlot(const SampleBuffer& points, int width,
                                                      int height) {
    using namespace reference_detail;
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
    constexpr int kRadius = 2;
    for (const ComplexSample& s : points) {
        PixelPoint c{};
        if (toPlotPoint(x.fraction(s.i), y.fraction(s.q), width, height, kRadius, c)) {
            boxes.push_back({c.x - kRadius, c.y - kRadius, c.x + kRadius, c.y + kRadius});
        }
    }
    return boxes;
}

// Empty when a and b are equal, else where they first differ (vectors of a million points are
// too long for a test's failure message).
template <typename T>
std::string firstDifference(const std::vector<T>& a, const std::vector<T>& b) {
    const auto [inA, inB] = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
    if (inA == a.end() && inB == b.end()) {
        return {};
    }
    return "sizes " + std::to_string(a.size()) + " and " + std::to_string(b.size()) +
           ", first difference at " + std::to_string(inA - a.begin());
}

struct TrickySignal {
    std::string name;
    SampleBuffer samples;
};

// Signals whose points sit where the block-wise paths could go wrong: blocks of one pixel
// column and blocks spanning several, non-finite values on block edges, extremes of +0 and -0,
// values exactly on pixel borders with many repeats, extents at the ends of the double range,
// and lengths of one and two.
inline std::vector<TrickySignal> trickySignals() {
    std::mt19937 engine(2024);
    std::normal_distribution<double> noise(0.0, 0.2);
    std::uniform_int_distribution<int> quadrant(0, 3);
    const auto noisy = [&](std::size_t n, double scale) {
        SampleBuffer s(n);
        for (auto& x : s) {
            const int k = quadrant(engine);
            x = {scale * ((k & 1) != 0 ? 0.7 : -0.7) + scale * noise(engine),
                 scale * ((k & 2) != 0 ? 0.7 : -0.7) + scale * noise(engine)};
        }
        return s;
    };
    std::vector<TrickySignal> tricky;
    tricky.push_back({"one sample", {{0.3, -0.2}}});
    tricky.push_back({"two samples", {{0.3, -0.2}, {-1.0, 2.0}}});
    tricky.push_back({"constant", SampleBuffer(5000, ComplexSample{0.7, 0.7})});

    SampleBuffer zeros(3001);
    for (std::size_t k = 0; k < zeros.size(); ++k) {
        const double v = k % 3 == 0 ? -0.0 : (k % 3 == 1 ? 0.0 : 1.0);
        zeros[k] = {v, k % 2 == 0 ? 0.0 : -0.0};
    }
    tricky.push_back({"signed zeros", zeros});

    SampleBuffer grid(20011);
    std::uniform_int_distribution<int> eighth(-8, 8);
    for (auto& x : grid) {
        x = {eighth(engine) / 8.0, eighth(engine) / 8.0};
    }
    tricky.push_back({"eighths on pixel borders", grid});

    SampleBuffer holes = noisy(3000, 1.0);
    for (const std::size_t k : {0U, 511U, 512U, 1023U, 2999U}) {
        holes[k].i = kNaN;
    }
    holes[1024].i = kInf;
    holes[700].q = -kInf;
    holes[1536] = {-kInf, kNaN};
    tricky.push_back({"non-finite on block edges", holes});

    tricky.push_back({"long noisy", noisy(200003, 1.0)});
    SampleBuffer huge = noisy(4099, 1e307);
    huge[17] = {1.7e308, -1.7e308};
    huge[4000] = {-1.7e308, 1.7e308};
    tricky.push_back({"extent beyond the double range", huge});
    tricky.push_back({"subnormal", noisy(4099, 1e-310)});

    SampleBuffer ramp(65536);
    for (std::size_t k = 0; k < ramp.size(); ++k) {
        const double v = static_cast<double>(k) / 65536.0;
        ramp[k] = {v, 1.0 - v};
    }
    tricky.push_back({"ramp", ramp});
    return tricky;
}

// Canvas sizes: the viewer's own, and odd ones with one pixel, few pixels or many samples per
// column [pixels].
inline constexpr std::array<std::array<int, 2>, 5> kTrickySizes = {
    {{858, 248}, {413, 248}, {1, 1}, {3, 5}, {37, 16}}};

}  // namespace quorvel::testing_support
