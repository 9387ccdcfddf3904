#pragma once
// The plot lines' own rasteriser: one pixel wide, no antialiasing, straight into a 32-bit image.
// A segment's pixels depend only on its two end points, in order: never on what was drawn before
// or on how much of it is clipped. That is what lets a polyline be shortened without changing a
// single pixel (see collapseColumns).

#include <QImage>
#include <vector>

#include "display/PlotGeometry.h"

namespace quorvel {

// Coordinates beyond this magnitude are first clipped in floating point [pixels].
inline constexpr int kExactLineCoordinate = 1 << 24;

// Draws the segment from `from` towards `to` in colour, `to` itself excluded, as a pen moving
// from one point to the next does, so that every joint of a polyline is drawn once and its last
// point not at all. Pixels outside image are skipped; those inside are the same as on a larger
// image. Draws nothing unless image has 32 bits per pixel (RGB32 or ARGB32).
void drawSegment(QImage& image, PixelPoint from, PixelPoint to, QRgb colour);

// Draws the polyline through points: a segment between every two consecutive points.
void drawPolyline(QImage& image, const std::vector<PixelPoint>& points, QRgb colour);

}  // namespace quorvel
