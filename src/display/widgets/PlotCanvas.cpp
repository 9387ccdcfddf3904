#include "display/widgets/PlotCanvas.h"

#include <QPainter>
#include <utility>

#include "display/widgets/PlotPainting.h"

namespace quorvel {

PlotCanvas::PlotCanvas(QWidget* parent, PlotFunction plot)
    : QFrame(parent), plot_(std::move(plot)) {
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    // Every pixel is painted from the image or the border, so nothing needs erasing first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
}

void PlotCanvas::invalidatePlot() {
    stale_ = true;
    update();
}

void PlotCanvas::redrawNow() {
    stale_ = true;
    // Drawn here rather than in the paint event, so the image is new even where the platform
    // has not shown the window yet and the repaint does nothing.
    renderIfStale();
    repaint();
}

void PlotCanvas::renderIfStale() {
    const QSize size = contentsRect().size();
    if (!stale_ && image_.size() == size) {
        return;
    }
    image_ = makeCanvasImage(size.width(), size.height());
    if (plot_ && !image_.isNull()) {
        plot_(image_);
    }
    stale_ = false;
}

void PlotCanvas::paintEvent(QPaintEvent* /*event*/) {
    renderIfStale();
    QPainter painter(this);
    painter.drawImage(contentsRect().topLeft(), image_);
    drawFrame(&painter);
}

}  // namespace quorvel
