#include "analyzer/widgets/SpectrogramView.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <vector>

#include "analyzer/AnalyzedRecording.h"
#include "analyzer/SpectrumEstimate.h"
#include "analyzer/widgets/PlotColours.h"

namespace quorvel {
namespace {

// The colour scale spans this far below the strongest level [dB].
constexpr double kColourRangeDb = 80.0;

QString text(double value, const char* unit) {
    return QString::fromStdString(quantityText(value, unit));
}

}  // namespace

SpectrogramView::SpectrogramView(const AnalyzedRecording& recording, QWidget* parent)
    : PlotView(QStringLiteral("Hz"), QStringLiteral("s"), parent), recording_(recording) {
    setXTitle(QStringLiteral(
        "Frequency (time runs downwards; Ctrl+click: cursor A, Ctrl+Shift+click: cursor B)"));
    setYDownwards(true);
}

void SpectrogramView::showSamples(std::uint64_t begin, std::uint64_t end, std::size_t fftSize,
                                  SpectralWindow window) {
    fftSize_ = fftSize;
    window_ = window;
    const double rate = recording_.sampleRateHz();
    const AxisRange x{-rate / 2.0, rate / 2.0};
    const AxisRange y{static_cast<double>(begin) / rate, static_cast<double>(end) / rate};
    const double total = static_cast<double>(recording_.samples().size()) / rate;
    setLimits(x, {0.0, total});
    setRanges(x, y);
    image_ = QImage();
}

void SpectrogramView::rangesChanged() {
    image_ = QImage();
}

void SpectrogramView::compute(const QRect& area) {
    const double rate = recording_.sampleRateHz();
    const auto size = static_cast<double>(recording_.samples().size());
    const double first = std::clamp(yRange().lo * rate, 0.0, size);
    const double last = std::clamp(yRange().hi * rate, first, size);
    const Spectrogram g = spectrogram(recording_.samples(), static_cast<std::uint64_t>(first),
                                      static_cast<std::uint64_t>(last), rate, fftSize_, window_,
                                      static_cast<std::size_t>(area.height()));
    imageTime_ = yRange();
    if (g.rows == 0) {
        image_ = QImage(1, 1, QImage::Format_RGB32);
        image_.fill(heatColour(0.0));
        return;
    }
    highDb_ = *std::max_element(g.powerDb.begin(), g.powerDb.end());
    lowDb_ = highDb_ - kColourRangeDb;
    image_ = QImage(static_cast<int>(g.bins), static_cast<int>(g.rows), QImage::Format_RGB32);
    for (std::size_t r = 0; r < g.rows; ++r) {
        auto* line = reinterpret_cast<QRgb*>(image_.scanLine(static_cast<int>(r)));
        for (std::size_t k = 0; k < g.bins; ++k) {
            line[k] = heatColour((g.powerDb[r * g.bins + k] - lowDb_) / kColourRangeDb);
        }
    }
    // The rows stand for their segments' starts; the picture spans those.
    const double firstRow = static_cast<double>(g.rowStarts.front()) / rate;
    const double lastRow = static_cast<double>(g.rowStarts.back() + g.bins) / rate;
    imageTime_ = {firstRow, lastRow};
}

void SpectrogramView::paintData(QPainter& painter, const QRect& area) {
    if (image_.isNull()) {
        compute(area);
    }
    const double rate = recording_.sampleRateHz();
    const QRectF target(QPointF(pixelX(-rate / 2.0, area), pixelY(imageTime_.lo, area)),
                        QPointF(pixelX(rate / 2.0, area), pixelY(imageTime_.hi, area)));
    painter.drawImage(target, image_);
    painter.setPen(kAnnotationEdge);
    painter.setBrush(Qt::NoBrush);
    for (const RecordingAnnotation& a : recording_.recording().annotations) {
        if (!a.freqLowerHz || !a.freqUpperHz) {
            continue;
        }
        const double centre = recording_.recording().centreFrequencyHz;
        const double top = static_cast<double>(a.sampleStart) / rate;
        const double bottom = static_cast<double>(a.sampleStart + a.sampleCount) / rate;
        if (bottom < yRange().lo || top > yRange().hi) {
            continue;
        }
        // SigMF's edges are absolute when the capture has a centre frequency.
        const QRectF box(QPointF(pixelX(*a.freqLowerHz - centre, area), pixelY(top, area)),
                         QPointF(pixelX(*a.freqUpperHz - centre, area), pixelY(bottom, area)));
        painter.drawRect(box);
        painter.drawText(box.topLeft() + QPointF(3, 12), QString::fromStdString(a.label));
    }
    painter.setPen(QPen(kCursorColour, 1.0, Qt::DashLine));
    for (const auto& cursor : {cursors_.a, cursors_.b}) {
        if (cursor) {
            const double px = pixelX(cursor->x(), area);
            const double py = pixelY(cursor->y(), area);
            painter.drawLine(QPointF(area.left(), py), QPointF(area.right(), py));
            painter.drawLine(QPointF(px, area.top()), QPointF(px, area.bottom()));
        }
    }
}

void SpectrogramView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && (event->modifiers() & Qt::ControlModifier)) {
        const QRect area = plotArea(size());
        const QPointF at = event->position();
        setCursor((event->modifiers() & Qt::ShiftModifier) != 0, xAt(at.x(), area),
                  yAt(at.y(), area));
        return;
    }
    PlotView::mousePressEvent(event);
}

void SpectrogramView::setCursor(bool second, double frequencyHz, double timeS) {
    (second ? cursors_.b : cursors_.a) = QPointF(frequencyHz, timeS);
    update();
}

void SpectrogramView::setSymbolsBetweenCursors(int symbols) {
    symbols_ = std::max(symbols, 1);
}

QString SpectrogramView::cursorText() const {
    if (!cursors_.a || !cursors_.b) {
        return QStringLiteral("Cursors: Ctrl+click sets A, Ctrl+Shift+click sets B");
    }
    const double dt = std::fabs(cursors_.b->y() - cursors_.a->y());
    const double df = std::fabs(cursors_.b->x() - cursors_.a->x());
    QString rate = QStringLiteral("-");
    if (dt > 0.0) {
        rate = QString::fromStdString(quantityText(symbols_ / dt, "Bd"));
    }
    return QStringLiteral("dt = %1 (%2 symbols: %3)   df = %4")
        .arg(text(dt, "s"))
        .arg(symbols_)
        .arg(rate)
        .arg(text(df, "Hz"));
}

QString SpectrogramView::readoutOf(double x, double y) const {
    return QStringLiteral("f = %1   t = %2   %3")
        .arg(text(x, "Hz"))
        .arg(text(y, "s"))
        .arg(cursorText());
}

}  // namespace quorvel
