#pragma once
// Shortcuts that shrink what a canvas has to draw without changing a single painted pixel: long
// signals put many consecutive points into one pixel column, and many constellation dots into
// the same 4 x 4 box. The collapsed and visible plots go straight from the samples to what is
// drawn, without a list of every point.

#include <vector>

#include "display/PlotGeometry.h"

namespace quorvel {

// The polyline through points with every run of consecutive points in one pixel column replaced
// by the run's first point, its points of smallest and largest y, and its last point (in the
// order they occur; consecutive repeats removed). Drawn with drawSegment (each segment without
// its end point), both paths cover the same pixels: inside a column the path only moves
// vertically and covers every row between its extremes, except perhaps the run's last point,
// which the next segment starts from anyway. The final run has no next segment, so it is kept
// as it is.
std::vector<PixelPoint> collapseColumns(const std::vector<PixelPoint>& points);

// collapseColumns(computeTimePlot(signal, width, height)).
std::vector<PixelPoint> collapsedTimePlot(const SampleBuffer& signal, int width, int height);

// collapseColumns(computeSpectrumPlot(frequenciesHz, powerDb, width, height)).
std::vector<PixelPoint> collapsedSpectrumPlot(const std::vector<double>& frequenciesHz,
                                              const std::vector<double>& powerDb, int width,
                                              int height);

// The dots that can still be seen on a width x height canvas, in drawing order: a dot drawn again
// later in the same box is painted over completely by that later dot, so only the last dot of
// each box is kept, and dots wholly outside the canvas are dropped.
std::vector<DotBox> dropRepaintedDots(const std::vector<DotBox>& boxes, int width, int height);

// dropRepaintedDots(computeConstellationPlot(points, width, height), width, height).
std::vector<DotBox> visibleConstellation(const SampleBuffer& points, int width, int height);

}  // namespace quorvel
