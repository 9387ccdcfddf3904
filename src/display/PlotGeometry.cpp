#include "display/PlotGeometry.h"

#include "display/PlotScale.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace quorvel {

namespace {

// Every drawn point of scale, in order, each passed through make.
template <typename Scale, typename Make>
auto listPoints(const Scale& scale, Make make) {
    std::vector<decltype(make(0, 0))> points;
    if (scale.empty()) {
        return points;
    }
    points.reserve(scale.size());
    PixelBlock block;
    for (std::size_t begin = 0; begin < scale.size(); begin += PixelBlock::kCapacity) {
        const std::size_t count = std::min(PixelBlock::kCapacity, scale.size() - begin);
        scale.map(begin, count, block);
        for (std::size_t j = 0; j < count; ++j) {
            if (block.drawn[j] != 0) {
                points.push_back(make(block.x[j], block.y[j]));
            }
        }
    }
    return points;
}

PixelPoint pointAt(int x, int y) {
    return {x, y};
}

}  // namespace

std::vector<PixelPoint> computeTimePlot(const SampleBuffer& signal, int width, int height) {
    return listPoints(TimePlotScale(signal, width, height), pointAt);
}

std::vector<PixelPoint> computeSpectrumPlot(const std::vector<double>& frequenciesHz,
                                            const std::vector<double>& powerDb, int width,
                                            int height) {
    return listPoints(SpectrumPlotScale(frequenciesHz, powerDb, width, height), pointAt);
}

std::vector<DotBox> computeConstellationPlot(const SampleBuffer& points, int width, int height) {
    return listPoints(ConstellationScale(points, width, height), dotAround);
}

std::optional<PixelSpan> spanOnAxis(double lo, double hi, double viewLo, double viewHi, int pixels) {
    if (!(std::isfinite(lo) && std::isfinite(hi) && std::isfinite(viewLo) && std::isfinite(viewHi)) ||
        hi < lo || !(viewHi > viewLo) || pixels <= 0 || hi < viewLo || lo > viewHi) {
        return std::nullopt;
    }
    const double width = static_cast<double>(pixels);
    const double scale = width / (viewHi - viewLo);
    // Clamped while still real numbers: a box far beyond the view must not overflow an int.
    const double left = std::clamp(std::floor((lo - viewLo) * scale), 0.0, width);
    const double right = std::clamp(std::ceil((hi - viewLo) * scale), 0.0, width);
    auto first = static_cast<int>(left);
    auto end = static_cast<int>(right);
    if (end <= first) {
        // A point or a sliver: one pixel, kept inside the axis.
        first = std::min(first, pixels - 1);
        end = first + 1;
    }
    return PixelSpan{first, end};
}

}  // namespace quorvel
