#pragma once
// Where each point of a plot lands on the canvas, worked out a block of points at a time: the
// plot geometry lists every point this way, and the viewer's reductions go through ten million
// samples without ever holding a list of them.

#include "common/Signal.h"
#include "display/PlotGeometry.h"

#include <array>
#include <cstddef>
#include <vector>

namespace quorvel {

// The pixels of 1 to kCapacity consecutive points: point j at (x[j], y[j]) if drawn[j] is set;
// x and y are 0 for a point that is not drawn. drawnCount counts the drawn points; oneColumn
// says that all of them are known to share one x, which saves a reduction comparing them.
struct PixelBlock {
    static constexpr std::size_t kCapacity = 512;
    std::array<int, kCapacity> x;
    std::array<int, kCapacity> y;
    std::array<unsigned char, kCapacity> drawn;
    std::size_t drawnCount;
    bool oneColumn;
};

// Maps a data value to its share of an axis, (v * scale - origin) / span. The scale is 1 unless
// the data's extent overflows a double; then every term is pre-scaled so the span stays finite.
struct AxisScale {
    double scale;
    double origin;
    double span;
};

// The time plot of a signal on a width x height canvas: sample k of N at x = k / N * width, the
// largest finite real part at y = 0 and the smallest at y = height.
class TimePlotScale {
  public:
    // Scans signal for its extent; signal must outlive the scale.
    TimePlotScale(const SampleBuffer& signal, int width, int height);

    std::size_t size() const { return signal_.size(); }
    // True when no real part is finite, so that nothing is drawn.
    bool empty() const { return empty_; }
    // Pixels of samples begin ... begin + count - 1, count from 1 to PixelBlock::kCapacity; a
    // sample with a non-finite real part is not drawn.
    void map(std::size_t begin, std::size_t count, PixelBlock& block) const;

  private:
    const SampleBuffer& signal_;
    AxisScale level_{};
    int width_;
    int height_;
    bool empty_ = true;
};

// The spectrum plot: the first frequency at x = 0, the last at x = width (the frequencies
// ascend), the strongest finite level at y = 0, the weakest at y = height.
class SpectrumPlotScale {
  public:
    // Scans the levels for their extent; both vectors must outlive the scale.
    SpectrumPlotScale(const std::vector<double>& frequenciesHz, const std::vector<double>& powerDb,
                      int width, int height);

    // Pairs of a frequency and a level, the shorter vector's length.
    std::size_t size() const { return size_; }
    bool empty() const { return empty_; }
    // Pixels of pairs begin ... begin + count - 1, count from 1 to PixelBlock::kCapacity; a pair
    // with a non-finite value, or beyond the int range of pixels, is not drawn.
    void map(std::size_t begin, std::size_t count, PixelBlock& block) const;

  private:
    const std::vector<double>& frequenciesHz_;
    const std::vector<double>& powerDb_;
    std::size_t size_;
    AxisScale frequency_{};
    AxisScale level_{};
    int width_;
    int height_;
    bool empty_ = true;
};

// The constellation: each axis scaled to the extent of the finite points plus a tenth of the
// larger extent on both sides.
class ConstellationScale {
  public:
    // Scans points for their extent; points must outlive the scale.
    ConstellationScale(const SampleBuffer& points, int width, int height);

    std::size_t size() const { return points_.size(); }
    bool empty() const { return empty_; }
    // Dot centres of points begin ... begin + count - 1, count from 1 to PixelBlock::kCapacity;
    // a point with a non-finite part, or whose box would not fit an int, is not drawn.
    void map(std::size_t begin, std::size_t count, PixelBlock& block) const;

  private:
    const SampleBuffer& points_;
    std::array<AxisScale, 2> axes_{};
    int width_;
    int height_;
    bool empty_ = true;
};

}  // namespace quorvel
