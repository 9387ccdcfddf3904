#pragma once
// Drawing the plots' pixel geometry into an image: the colours, the pen and the dot shape of the
// viewer's canvases, and fast paths that paint exactly the pixels of drawing every point.

#include <QColor>
#include <QImage>
#include <QPainter>
#include <vector>

#include "display/PlotGeometry.h"

namespace quorvel {

inline const QColor kCanvasBackground{240, 240, 240};
inline const QColor kTimeLineColour{0, 0, 255};
inline const QColor kSpectrumLineColour{255, 0, 0};
inline const QColor kDotFillColour{0, 0, 255};
inline const QColor kDotOutlineColour{0, 0, 0};

// A canvas image of width x height pixels, filled with the background colour.
QImage makeCanvasImage(int width, int height);

// Draws one constellation dot with painter: a blue ellipse with a black 1-pixel outline that
// covers exactly the pixels of box (left and top inclusive, right and bottom exclusive).
void drawDot(QPainter& painter, const DotBox& box);

// Draws the polyline through points onto a canvas image in colour, 1 pixel wide, the last point
// excluded; the pixels are those of drawSegment between every two consecutive points.
void drawPlotLine(QImage& image, const std::vector<PixelPoint>& points, const QColor& colour);

// Draws a dot per box onto image in order, later dots over earlier ones; the pixels are those of
// calling drawDot for every box.
void drawDots(QImage& image, const std::vector<DotBox>& boxes);

// drawDots for boxes that dropRepaintedDots has already thinned out: each is stamped as it comes.
void drawVisibleDots(QImage& image, const std::vector<DotBox>& visible);

}  // namespace quorvel
