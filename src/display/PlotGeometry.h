#pragma once
// The pixel geometry of the three viewer plots, computed without any drawing library so that a
// canvas only has to draw what it is given.

#include "common/Signal.h"

#include <optional>
#include <vector>

namespace quorvel {

// A pixel position in a canvas's client area, origin at the top left, y growing downwards.
struct PixelPoint {
    int x;
    int y;

    friend bool operator==(const PixelPoint&, const PixelPoint&) = default;
};

// The half-width of a constellation dot's box around its centre [pixels].
inline constexpr int kDotRadius = 2;

// The 4 x 4 pixel box that one constellation dot is drawn in, edges in pixels.
struct DotBox {
    int left;
    int top;
    int right;
    int bottom;

    friend bool operator==(const DotBox&, const DotBox&) = default;
};

// The box of the dot centred on pixel (x, y), kDotRadius pixels each way.
inline DotBox dotAround(int x, int y) {
    return {x - kDotRadius, y - kDotRadius, x + kDotRadius, y + kDotRadius};
}

// Polyline of the real parts over time on a width x height pixel canvas: sample i at
// x = i / N * width, the largest real part at y = 0 and the smallest at y = height. Samples whose
// real part is not finite are skipped and do not affect the scale. Empty input gives no points.
std::vector<PixelPoint> computeTimePlot(const SampleBuffer& signal, int width, int height);

// Polyline of the levels (dB) over frequency (Hz): the first frequency at x = 0, the last at
// x = width, the strongest level at y = 0, the weakest at y = height. Pairs with a non-finite
// value are skipped; non-finite levels do not affect the scale. Empty input gives no points.
std::vector<PixelPoint> computeSpectrumPlot(const std::vector<double>& frequenciesHz,
                                            const std::vector<double>& powerDb, int width,
                                            int height);

// One dot box per complex point, each axis scaled to the data's extent plus a 10 % margin of the
// larger extent. Points with a non-finite part are skipped and do not affect the scale.
std::vector<DotBox> computeConstellationPlot(const SampleBuffer& points, int width, int height);

// The pixels a span of values covers on an axis that shows viewLo ... viewHi over `pixels`
// pixels: value v sits at (v - viewLo) / (viewHi - viewLo) * pixels, measured from the axis's
// first pixel. first is the first pixel touched and end one past the last, both clipped to the
// axis; a span narrower than a pixel still covers one, so that a narrow box stays visible.
struct PixelSpan {
    int first;
    int end;

    friend bool operator==(const PixelSpan&, const PixelSpan&) = default;
};

// The pixels of lo ... hi (see PixelSpan); nothing when the span lies wholly outside the view,
// when hi < lo, or when a value or the view is not finite or the view is empty.
std::optional<PixelSpan> spanOnAxis(double lo, double hi, double viewLo, double viewHi, int pixels);

}  // namespace quorvel
