#pragma once
// A plot of the analyzer: axes with ticks, units and a grid around a data area that a subclass
// draws, a cursor readout, and zoom and pan by wheel, drag and rubber band. The same painting
// serves the screen and the saved pictures.

#include <QPoint>
#include <QRect>
#include <QString>
#include <QWidget>
#include <functional>
#include <vector>

#include "analyzer/AxisScale.h"

class QPainter;
class QRubberBand;

namespace quorvel {

// Room around the data area for the tick labels and axis titles [pixels].
inline constexpr int kPlotLeftMargin = 78;
inline constexpr int kPlotRightMargin = 32;
inline constexpr int kPlotTopMargin = 12;
inline constexpr int kPlotBottomMargin = 44;

// The data area of a plot of this size [pixels].
QRect plotArea(const QSize& size);

class PlotView : public QWidget {
  public:
    // Called with the readout text whenever the cursor moves over the data area or leaves it.
    using ReadoutSink = std::function<void(const QString&)>;

    PlotView(QString xUnit, QString yUnit, QWidget* parent);

    void setReadoutSink(ReadoutSink sink) { readout_ = std::move(sink); }
    // Values grow down the vertical axis (a spectrogram's time) rather than up.
    void setYDownwards(bool downwards) { yDownwards_ = downwards; }
    // The caption under the horizontal axis ("Time", "Frequency").
    void setXTitle(QString title) { xTitle_ = std::move(title); }

    // The values shown; changing them redraws the plot.
    const AxisRange& xRange() const { return x_; }
    const AxisRange& yRange() const { return y_; }
    void setRanges(const AxisRange& x, const AxisRange& y);
    // The limits zoom and pan stay within, and the view a double click returns to.
    void setLimits(const AxisRange& x, const AxisRange& y);

    // Paints the whole plot, axes included, onto painter over a size x size picture.
    void render(QPainter& painter, const QSize& size);

    // The readout at a widget position inside the data area.
    QString readoutAt(QPoint position);

  protected:
    // Draws the data inside area (already clipped), with the view's ranges.
    virtual void paintData(QPainter& painter, const QRect& area) = 0;
    // The readout of the values at a point of the data area.
    virtual QString readoutOf(double x, double y) const;
    // The ranges changed by the user: a subclass that computes from them starts over here.
    virtual void rangesChanged() {}
    // Whether zoom keeps both axes together (a constellation's equal axes).
    virtual bool zoomsBothAxes() const { return false; }
    // The smallest span each axis may be zoomed to.
    virtual double minimumXSpan() const { return x_.span() * 1e-9; }

    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

    double xAt(double pixelX, const QRect& area) const;
    double yAt(double pixelY, const QRect& area) const;
    double pixelX(double x, const QRect& area) const;
    double pixelY(double y, const QRect& area) const;

  private:
    void paintAxes(QPainter& painter, const QRect& area, const std::vector<AxisTick>& xTicks,
                   const std::vector<AxisTick>& yTicks);
    void userMoved(const AxisRange& x, const AxisRange& y);

    QString xUnit_;
    QString yUnit_;
    QString xTitle_;
    bool yDownwards_ = false;
    AxisRange x_{};
    AxisRange y_{};
    AxisRange xLimits_{};
    AxisRange yLimits_{};
    ReadoutSink readout_;
    QPoint dragFrom_;
    AxisRange dragX_{};
    AxisRange dragY_{};
    bool dragging_ = false;
    QRubberBand* band_ = nullptr;
    QPoint bandFrom_;
};

}  // namespace quorvel
