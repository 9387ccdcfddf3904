#include "display/widgets/PlotPainting.h"

#include <QRectF>

#include "display/widgets/LineRaster.h"
#include "display/widgets/PlotReduction.h"

namespace quorvel {
namespace {

// The pixels one dot paints, relative to its box's top-left corner. Taken from drawDot itself,
// so stamping them is drawing the dot, only without a painter call per dot.
struct DotSprite {
    struct Pixel {
        int dx;
        int dy;
        QRgb rgb;
    };
    int width = 0;
    int height = 0;
    std::vector<Pixel> pixels;
    bool usable = true;  // false when the dot blends with what lies beneath it
};

DotSprite makeDotSprite(int width, int height) {
    if (width <= 0 || height <= 0) {
        return {width, height, {}, false};
    }
    constexpr int kMargin = 2;
    QImage scratch(width + 2 * kMargin, height + 2 * kMargin, QImage::Format_ARGB32);
    scratch.fill(Qt::transparent);
    {
        QPainter painter(&scratch);
        drawDot(painter, DotBox{kMargin, kMargin, kMargin + width, kMargin + height});
    }
    DotSprite sprite{width, height, {}, true};
    for (int y = 0; y < scratch.height(); ++y) {
        for (int x = 0; x < scratch.width(); ++x) {
            const QRgb rgb = scratch.pixel(x, y);
            if (qAlpha(rgb) == 255) {
                sprite.pixels.push_back({x - kMargin, y - kMargin, rgb});
            } else if (qAlpha(rgb) != 0) {
                sprite.usable = false;
            }
        }
    }
    return sprite;
}

bool stampable(const QImage& image, const DotSprite& sprite, const DotBox& box) {
    return sprite.usable && image.depth() == 32 && !image.hasAlphaChannel() &&
           box.right - box.left == sprite.width && box.bottom - box.top == sprite.height;
}

void stamp(QImage& image, const DotSprite& sprite, const DotBox& box) {
    for (const DotSprite::Pixel& p : sprite.pixels) {
        const int x = box.left + p.dx;
        const int y = box.top + p.dy;
        if (x >= 0 && y >= 0 && x < image.width() && y < image.height()) {
            reinterpret_cast<QRgb*>(image.scanLine(y))[x] = p.rgb;
        }
    }
}

}  // namespace

QImage makeCanvasImage(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(kCanvasBackground);
    return image;
}

void drawDot(QPainter& painter, const DotBox& box) {
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(kDotOutlineColour, 1));
    painter.setBrush(kDotFillColour);
    // An aliased outline is centred half a pixel inside the box's edges, so the ellipse fills the
    // box's pixels and not one row or column more.
    painter.drawEllipse(QRectF(box.left + 0.5, box.top + 0.5, box.right - box.left - 1.0,
                               box.bottom - box.top - 1.0));
}

void drawPlotLine(QImage& image, const std::vector<PixelPoint>& points, const QColor& colour) {
    drawPolyline(image, collapseColumns(points), colour.rgb());
}

void drawDots(QImage& image, const std::vector<DotBox>& boxes) {
    drawVisibleDots(image, dropRepaintedDots(boxes, image.width(), image.height()));
}

void drawVisibleDots(QImage& image, const std::vector<DotBox>& visible) {
    if (visible.empty()) {
        return;
    }
    const DotBox& shape = visible.front();
    const DotSprite sprite = makeDotSprite(shape.right - shape.left, shape.bottom - shape.top);
    for (const DotBox& box : visible) {
        if (stampable(image, sprite, box)) {
            stamp(image, sprite, box);
        } else {
            QPainter painter(&image);
            drawDot(painter, box);
        }
    }
}

}  // namespace quorvel
