#pragma once
// Helpers shared by the desktop program's tests: a message presenter that records instead of
// blocking, lookups of controls by their numeric ID, and images of what a canvas shows.

#include <QCoreApplication>
#include <QEvent>
#include <QImage>
#include <QWidget>
#include <vector>

#include "app/widgets/MessagePresenter.h"
#include "display/PlotGeometry.h"
#include "display/widgets/LineRaster.h"
#include "display/widgets/PlotCanvas.h"
#include "display/widgets/PlotPainting.h"

namespace quorvel::testing_support {

class RecordingPresenter : public MessagePresenter {
  public:
    void present(const MessageBoxText& message) override { shown.push_back(message); }
    std::vector<MessageBoxText> shown;
};

// The child of window that carries control ID id (object name "control<id>").
template <typename Widget>
Widget* findControl(const QWidget& window, int id) {
    return window.findChild<Widget*>(QStringLiteral("control%1").arg(id));
}

// Lets closed windows that delete themselves finish doing so.
inline void processDeferredDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// What the canvas shows inside its border, as rendered now, in the canvas image's format.
inline QImage grabInside(PlotCanvas& canvas) {
    return canvas.grab()
        .toImage()
        .copy(canvas.contentsRect())
        .convertToFormat(QImage::Format_RGB32);
}

// The plain way to draw a plot line: a segment between every two consecutive points.
inline QImage drawEveryPoint(const std::vector<PixelPoint>& points, int width, int height,
                             const QColor& colour) {
    QImage image = makeCanvasImage(width, height);
    for (std::size_t k = 1; k < points.size(); ++k) {
        drawSegment(image, points[k - 1], points[k], colour.rgb());
    }
    return image;
}

// The plain way to draw the constellation: a painter call per dot, in order.
inline QImage drawEveryDot(const std::vector<DotBox>& boxes, int width, int height) {
    QImage image = makeCanvasImage(width, height);
    QPainter painter(&image);
    for (const DotBox& box : boxes) {
        drawDot(painter, box);
    }
    return image;
}

}  // namespace quorvel::testing_support
