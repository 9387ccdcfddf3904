#include "analyzer/widgets/PlotView.h"

#include <QMouseEvent>
#include <QPainter>
#include <QRubberBand>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace quorvel {
namespace {

const QColor kPlotBackground{255, 255, 255};
const QColor kGridColour{225, 225, 225};
const QColor kAxisColour{60, 60, 60};
// Pixels between ticks at the least.
constexpr int kTickSpacingX = 90;
constexpr int kTickSpacingY = 40;
// One wheel notch zooms by this factor.
constexpr double kWheelZoom = 0.8;
// A rubber band smaller than this is a click [pixels].
constexpr int kSmallestBand = 4;

QString qText(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

QRect plotArea(const QSize& size) {
    return QRect(kPlotLeftMargin, kPlotTopMargin,
                 std::max(1, size.width() - kPlotLeftMargin - kPlotRightMargin),
                 std::max(1, size.height() - kPlotTopMargin - kPlotBottomMargin));
}

PlotView::PlotView(QString xUnit, QString yUnit, QWidget* parent)
    : QWidget(parent), xUnit_(std::move(xUnit)), yUnit_(std::move(yUnit)) {
    setMouseTracking(true);
    setMinimumSize(320, 200);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PlotView::setRanges(const AxisRange& x, const AxisRange& y) {
    x_ = x;
    y_ = y;
    update();
}

void PlotView::setLimits(const AxisRange& x, const AxisRange& y) {
    xLimits_ = x;
    yLimits_ = y;
}

double PlotView::xAt(double px, const QRect& area) const {
    return valueAt(x_, px - area.left(), area.width());
}
double PlotView::yAt(double py, const QRect& area) const {
    return valueAt(y_, py - area.top(), area.height(), !yDownwards_);
}
double PlotView::pixelX(double x, const QRect& area) const {
    return area.left() + pixelOf(x_, x, area.width());
}
double PlotView::pixelY(double y, const QRect& area) const {
    return area.top() + pixelOf(y_, y, area.height(), !yDownwards_);
}

void PlotView::render(QPainter& painter, const QSize& size) {
    painter.fillRect(QRect(QPoint(0, 0), size), palette().window());
    const QRect area = plotArea(size);
    painter.fillRect(area, kPlotBackground);
    const auto xTicks =
        axisTicks(x_, std::max(2, area.width() / kTickSpacingX), xUnit_.toStdString());
    const auto yTicks =
        axisTicks(y_, std::max(2, area.height() / kTickSpacingY), yUnit_.toStdString());
    painter.setPen(kGridColour);
    for (const AxisTick& tick : xTicks) {
        const int px = static_cast<int>(std::lround(pixelX(tick.value, area)));
        painter.drawLine(px, area.top(), px, area.bottom());
    }
    for (const AxisTick& tick : yTicks) {
        const int py = static_cast<int>(std::lround(pixelY(tick.value, area)));
        painter.drawLine(area.left(), py, area.right(), py);
    }
    painter.save();
    painter.setClipRect(area);
    paintData(painter, area);
    painter.restore();
    paintAxes(painter, area, xTicks, yTicks);
}

void PlotView::paintAxes(QPainter& painter, const QRect& area, const std::vector<AxisTick>& xTicks,
                         const std::vector<AxisTick>& yTicks) {
    const QFontMetrics metrics(painter.font());
    painter.setPen(kAxisColour);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(area.adjusted(0, 0, -1, -1));
    for (const AxisTick& tick : xTicks) {
        const int px = static_cast<int>(std::lround(pixelX(tick.value, area)));
        painter.drawLine(px, area.bottom(), px, area.bottom() + 4);
        const QString label = qText(tick.label);
        painter.drawText(px - metrics.horizontalAdvance(label) / 2,
                         area.bottom() + 6 + metrics.ascent(), label);
    }
    for (const AxisTick& tick : yTicks) {
        const int py = static_cast<int>(std::lround(pixelY(tick.value, area)));
        painter.drawLine(area.left() - 4, py, area.left(), py);
        const QString label = qText(tick.label);
        painter.drawText(area.left() - 6 - metrics.horizontalAdvance(label),
                         py + metrics.ascent() / 2, label);
    }
    if (!xTitle_.isEmpty()) {
        painter.drawText(area.left() + (area.width() - metrics.horizontalAdvance(xTitle_)) / 2,
                         area.bottom() + 8 + metrics.height() + metrics.ascent(), xTitle_);
    }
}

void PlotView::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    render(painter, size());
}

QString PlotView::readoutOf(double x, double y) const {
    return qText(quantityText(x, xUnit_.toStdString())) + QStringLiteral(", ") +
           qText(quantityText(y, yUnit_.toStdString()));
}

QString PlotView::readoutAt(QPoint position) {
    const QRect area = plotArea(size());
    if (!area.contains(position)) {
        return {};
    }
    return readoutOf(xAt(position.x(), area), yAt(position.y(), area));
}

void PlotView::userMoved(const AxisRange& x, const AxisRange& y) {
    if (x == x_ && y == y_) {
        return;
    }
    x_ = x;
    y_ = y;
    rangesChanged();
    update();
}

void PlotView::wheelEvent(QWheelEvent* event) {
    const QRect area = plotArea(size());
    const double notches = event->angleDelta().y() / 120.0;
    if (notches == 0.0) {
        return;
    }
    const double factor = std::pow(kWheelZoom, notches);
    const QPointF at = event->position();
    AxisRange x = zoomedRange(x_, xAt(at.x(), area), factor, xLimits_, minimumXSpan());
    AxisRange y = y_;
    if (zoomsBothAxes() || (event->modifiers() & Qt::ControlModifier)) {
        y = zoomedRange(y_, yAt(at.y(), area), factor, yLimits_, y_.span() * 1e-9);
        if (!zoomsBothAxes()) {
            x = x_;
        }
    }
    userMoved(x, y);
    event->accept();
}

void PlotView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    if (event->modifiers() & Qt::ShiftModifier) {
        bandFrom_ = event->position().toPoint();
        if (band_ == nullptr) {
            band_ = new QRubberBand(QRubberBand::Rectangle, this);
        }
        band_->setGeometry(QRect(bandFrom_, QSize()));
        band_->show();
        return;
    }
    dragging_ = true;
    dragFrom_ = event->position().toPoint();
    dragX_ = x_;
    dragY_ = y_;
}

void PlotView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (band_ != nullptr && band_->isVisible()) {
        band_->setGeometry(QRect(bandFrom_, at).normalized());
    } else if (dragging_) {
        const QRect area = plotArea(size());
        const double dx = -(at.x() - dragFrom_.x()) * dragX_.span() / area.width();
        const double dy =
            (yDownwards_ ? -1.0 : 1.0) * (at.y() - dragFrom_.y()) * dragY_.span() / area.height();
        userMoved(pannedRange(dragX_, dx, xLimits_), pannedRange(dragY_, dy, yLimits_));
    }
    if (readout_) {
        readout_(readoutAt(at));
    }
}

void PlotView::mouseReleaseEvent(QMouseEvent* event) {
    dragging_ = false;
    if (band_ == nullptr || !band_->isVisible()) {
        return;
    }
    band_->hide();
    const QRect chosen =
        QRect(bandFrom_, event->position().toPoint()).normalized().intersected(plotArea(size()));
    if (chosen.width() < kSmallestBand || chosen.height() < kSmallestBand) {
        return;
    }
    const QRect area = plotArea(size());
    AxisRange x{xAt(chosen.left(), area), xAt(chosen.right(), area)};
    AxisRange y{std::min(yAt(chosen.bottom(), area), yAt(chosen.top(), area)),
                std::max(yAt(chosen.bottom(), area), yAt(chosen.top(), area))};
    x = zoomedRange(x, x.lo, 1.0, xLimits_, minimumXSpan());
    y = zoomedRange(y, y.lo, 1.0, yLimits_, y_.span() * 1e-9);
    userMoved(x, y);
}

void PlotView::mouseDoubleClickEvent(QMouseEvent* /*event*/) {
    userMoved(xLimits_, yLimits_);
}

void PlotView::leaveEvent(QEvent* /*event*/) {
    if (readout_) {
        readout_(QString());
    }
}

}  // namespace quorvel
