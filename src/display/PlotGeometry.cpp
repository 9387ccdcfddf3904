#include "display/PlotGeometry.h"

#include "display/PlotScale.h"

#include <algorithm>
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

}  // namespace quorvel
