#include "analyzer/widgets/TimeView.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>
#include <optional>
#include <vector>

#include "analyzer/AnalyzedRecording.h"
#include "analyzer/widgets/PlotColours.h"
#include "display/PlotGeometry.h"

namespace quorvel {
namespace {

// Zoomed in to fewer samples than this many per pixel, the samples themselves are drawn.
constexpr double kSamplesPerPixelForLines = 2.0;
constexpr double kAmplitudeMargin = 1.1;
// Rows of labels at the top of the plot for spans that overlap in time.
constexpr int kTimeLabelRows = 4;

AxisRange amplitudeRange(const IqExtent& e) {
    if (e.empty) {
        return {-1.0, 1.0};
    }
    const double largest =
        std::max({std::fabs(e.minI), std::fabs(e.maxI), std::fabs(e.minQ), std::fabs(e.maxQ)});
    const double reach = largest > 0.0 && std::isfinite(largest) ? kAmplitudeMargin * largest : 1.0;
    return {-reach, reach};
}

}  // namespace

TimeView::TimeView(const AnalyzedRecording& recording, QWidget* parent)
    : PlotView(QStringLiteral("s"), QString(), parent), recording_(recording) {
    setXTitle(QStringLiteral("Time (I blue, Q red)"));
    const auto size = static_cast<double>(recording.samples().size());
    timeLimits_ = {0.0, std::max(size, 1.0) / recording.sampleRateHz()};
    amplitudeLimits_ = amplitudeRange(recording.pyramid().extent(0, recording.samples().size()));
    setLimits(timeLimits_, amplitudeLimits_);
    setRanges(timeLimits_, amplitudeLimits_);
}

void TimeView::fitAmplitude() {
    const AxisRange amplitude =
        amplitudeRange(recording_.pyramid().extent(0, recording_.samples().size()));
    const bool unzoomed = yRange() == amplitudeLimits_;
    amplitudeLimits_ = amplitude;
    setLimits(timeLimits_, amplitude);
    setRanges(xRange(), unzoomed ? amplitude : yRange());
}

double TimeView::minimumXSpan() const {
    return 8.0 / recording_.sampleRateHz();
}

std::pair<std::uint64_t, std::uint64_t> TimeView::visibleSamples() const {
    const double rate = recording_.sampleRateHz();
    const auto size = static_cast<double>(recording_.samples().size());
    const double begin = std::clamp(std::floor(xRange().lo * rate), 0.0, size);
    const double end = std::clamp(std::ceil(xRange().hi * rate) + 1.0, begin, size);
    return {static_cast<std::uint64_t>(begin), static_cast<std::uint64_t>(end)};
}

void TimeView::showSamples(std::uint64_t begin, std::uint64_t end) {
    const double rate = recording_.sampleRateHz();
    setRanges(
        {static_cast<double>(begin) / rate, static_cast<double>(std::max(end, begin + 1)) / rate},
        yRange());
    rangesChanged();
}

void TimeView::rangesChanged() {
    if (samplesChanged_) {
        const auto [begin, end] = visibleSamples();
        samplesChanged_(begin, end);
    }
}

void TimeView::paintData(QPainter& painter, const QRect& area) {
    paintAnnotations(painter, area);
    const auto [begin, end] = visibleSamples();
    if (end <= begin) {
        return;
    }
    if (static_cast<double>(end - begin) <= kSamplesPerPixelForLines * area.width()) {
        paintSamples(painter, area, begin, end);
    } else {
        paintColumns(painter, area, begin, end);
    }
}

void TimeView::paintSamples(QPainter& painter, const QRect& area, std::uint64_t begin,
                            std::uint64_t end) {
    std::vector<IqSample> samples(static_cast<std::size_t>(end - begin));
    recording_.samples().read(begin, samples.size(), samples.data());
    const double rate = recording_.sampleRateHz();
    // Q first, so that I, drawn over it, is not hidden where the two overlap.
    for (const bool quadrature : {true, false}) {
        QPainterPath path;
        bool open = false;
        for (std::size_t k = 0; k < samples.size(); ++k) {
            const float v = quadrature ? samples[k].imag() : samples[k].real();
            if (!std::isfinite(v)) {
                open = false;
                continue;
            }
            const QPointF at(pixelX(static_cast<double>(begin + k) / rate, area), pixelY(v, area));
            open ? path.lineTo(at) : path.moveTo(at);
            open = true;
        }
        painter.setPen(QPen(quadrature ? kQuadratureColour : kInPhaseColour, 1.0));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(path);
    }
}

// Each column a vertical stroke from its smallest to its largest value, joined to the next
// column's stroke so that a steep edge between two columns stays one line.
void TimeView::paintColumns(QPainter& painter, const QRect& area, std::uint64_t begin,
                            std::uint64_t end) {
    const int columns = area.width();
    const std::vector<IqExtent> extents = columnExtents(recording_.pyramid(), begin, end, columns);
    for (const bool quadrature : {true, false}) {
        painter.setPen(QPen(quadrature ? kQuadratureColour : kInPhaseColour, 1.0));
        double previousLow = 0.0;
        double previousHigh = 0.0;
        bool previous = false;
        for (int c = 0; c < columns; ++c) {
            const IqExtent& e = extents[static_cast<std::size_t>(c)];
            if (e.empty) {
                previous = false;
                continue;
            }
            double low = pixelY(quadrature ? e.maxQ : e.maxI, area);
            double high = pixelY(quadrature ? e.minQ : e.minI, area);
            if (previous) {
                low = std::min(low, previousHigh);
                high = std::max(high, previousLow);
            }
            const double x = area.left() + c + 0.5;
            painter.drawLine(QPointF(x, low), QPointF(x, std::max(high, low + 0.5)));
            previousLow = pixelY(quadrature ? e.maxQ : e.maxI, area);
            previousHigh = pixelY(quadrature ? e.minQ : e.minI, area);
            previous = true;
        }
    }
}

void TimeView::paintAnnotations(QPainter& painter, const QRect& area) {
    const double rate = recording_.sampleRateHz();
    painter.setPen(kAnnotationEdge);
    painter.setBrush(kAnnotationFill);
    const int line = painter.fontMetrics().height();
    // Where the last label of each text row ends: a label goes on the first row it does not
    // overlap, so that the labels of spans that overlap in time (a scene's emitters) stay apart.
    int rowEnds[kTimeLabelRows];
    std::fill(std::begin(rowEnds), std::end(rowEnds), std::numeric_limits<int>::min());
    // Only the annotations in view, and the same pixels at most once in a row (a long dataset
    // recording has many annotations to a pixel when zoomed out).
    std::optional<PixelSpan> previous;
    for (const RecordingAnnotation& a : recording_.recording().annotations) {
        // Saturated: a hostile start and count must not wrap around.
        const std::uint64_t last =
            a.sampleStart + std::min(std::max<std::uint64_t>(a.sampleCount, 1),
                                     std::numeric_limits<std::uint64_t>::max() - a.sampleStart);
        const auto span = spanOnAxis(static_cast<double>(a.sampleStart) / rate,
                                     static_cast<double>(last) / rate, xRange().lo, xRange().hi,
                                     area.width());
        // One annotation over the whole recording (this program's own, or a scene's emitter
        // that never stops) is only its label.
        const bool whole = a.sampleStart == 0 && last >= recording_.samples().size();
        if (!span || (span == previous && !whole)) {
            continue;
        }
        previous = span;
        const QRect box(area.left() + span->first, area.top(), span->end - span->first,
                        area.height());
        if (!whole) {
            painter.drawRect(box.adjusted(0, 0, -1, -1));
        }
        // The label keeps to the span's own start, even when that is out of view, so a label
        // does not slide along with a zoom into the middle of its span.
        const QRectF labelBox(QPointF(pixelX(static_cast<double>(a.sampleStart) / rate, area), area.top()),
                              QPointF(pixelX(static_cast<double>(last) / rate, area), area.bottom()));
        if (labelBox.width() > 30.0 && !a.label.empty()) {
            // Far out of view a start is any large number; kept where an int holds it.
            const int labelLeft = static_cast<int>(
                std::clamp(std::floor(labelBox.left()), -1e9, static_cast<double>(area.right())));
            const auto row = std::find_if(std::begin(rowEnds), std::end(rowEnds),
                                          [&](int end) { return end < labelLeft; });
            if (row != std::end(rowEnds)) {
                const QString label = QString::fromStdString(a.label);
                const int rowIndex = static_cast<int>(row - std::begin(rowEnds));
                painter.drawText(labelBox.adjusted(3, 2 + rowIndex * line, -3, -2),
                                 Qt::AlignLeft | Qt::AlignTop, label);
                // The text is clipped to its box, so it ends at the box's edge at the latest.
                *row = std::min(box.right(),
                                labelLeft + 3 + painter.fontMetrics().horizontalAdvance(label));
            }
        }
    }
}

QString TimeView::readoutOf(double x, double y) const {
    const double rate = recording_.sampleRateHz();
    const auto size = recording_.samples().size();
    const double position = std::round(x * rate);
    if (size == 0 || position < 0.0 || position >= static_cast<double>(size)) {
        return PlotView::readoutOf(x, y);
    }
    const auto n = static_cast<std::uint64_t>(position);
    IqSample s;
    recording_.samples().read(n, 1, &s);
    return QStringLiteral("t = %1 (sample %2)   I = %3   Q = %4")
        .arg(QString::fromStdString(quantityText(static_cast<double>(n) / rate, "s")))
        .arg(n)
        .arg(static_cast<double>(s.real()), 0, 'g', 6)
        .arg(static_cast<double>(s.imag()), 0, 'g', 6);
}

}  // namespace quorvel
