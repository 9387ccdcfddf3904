#pragma once
// Shortcuts that shrink what a canvas has to draw without changing a single painted pixel: long
// signals put many consecutive points into one pixel column, and many constellation dots into
// the same 4 x 4 box.

#include <vector>

#include "display/PlotGeometry.h"

namespace quorvel {

// The polyline through points with every run of consecutive points in one pixel column replaced
// by the run's first, lowest, highest and last point (in the order they occur, consecutive
// repeats removed). Inside a column the path only moves vertically, so it covers the same pixels
// from its lowest to its highest point either way; the segments between columns are unchanged.
std::vector<PixelPoint> collapseColumns(const std::vector<PixelPoint>& points);

// The dots that can still be seen on a width x height canvas, in drawing order: a dot drawn again
// later in the same box is painted over completely by that later dot, so only the last dot of
// each box is kept, and dots wholly outside the canvas are dropped.
std::vector<DotBox> dropRepaintedDots(const std::vector<DotBox>& boxes, int width, int height);

}  // namespace quorvel
