#include "analyzer/widgets/SpectrumView.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <limits>

#include "analyzer/AnalyzedRecording.h"
#include "analyzer/widgets/PlotColours.h"
#include "display/PlotGeometry.h"

namespace quorvel {
namespace {

// Levels shown below the strongest [dB], and headroom above it.
constexpr double kDynamicRangeDb = 110.0;
constexpr double kHeadroomDb = 10.0;
// The readout looks for a peak this many bins either side of the cursor.
constexpr std::size_t kPeakSearchBins = 8;
// A band narrower than this [pixels] is drawn without its label, which would cover its
// neighbours; labels of neighbouring bands go on this many rows in turn so that they do not
// print over each other.
constexpr int kLabelledBandWidth = 24;
constexpr int kLabelRows = 3;

}  // namespace

SpectrumView::SpectrumView(const AnalyzedRecording& recording, QWidget* parent)
    : PlotView(QStringLiteral("Hz"), QStringLiteral("dB"), parent), recording_(recording) {
    setXTitle(QStringLiteral("Frequency (offset from the centre)"));
}

void SpectrumView::estimate(std::uint64_t begin, std::uint64_t end, const WelchSettings& settings) {
    settings_ = settings;
    begin_ = begin;
    end_ = end;
    estimate_ =
        welchSpectrum(recording_.samples(), begin, end, recording_.sampleRateHz(), settings);
    const double half = recording_.sampleRateHz() / 2.0;
    double top = -300.0;
    for (const double level : estimate_.powerDb) {
        top = std::max(top, level);
    }
    top = estimate_.powerDb.empty() ? 0.0 : std::ceil((top + kHeadroomDb) / 10.0) * 10.0;
    const AxisRange x{-half, half};
    const AxisRange y{top - kDynamicRangeDb - 40.0, top};
    setLimits(x, y);
    setRanges(x, {top - kDynamicRangeDb, top});
}

QString SpectrumView::settingsText() const {
    if (estimate_.powerDb.empty()) {
        return QStringLiteral("too few samples for a spectrum");
    }
    return QStringLiteral("RBW %1, %2 window, %3 points, %4 segments averaged")
        .arg(QString::fromStdString(quantityText(estimate_.resolutionBandwidthHz, "Hz")))
        .arg(QString::fromUtf8(windowName(settings_.window).data(),
                               static_cast<qsizetype>(windowName(settings_.window).size())))
        .arg(estimate_.fftSize)
        .arg(estimate_.segments);
}

std::vector<BandBox> SpectrumView::bandBoxes(const QRect& area) const {
    std::vector<BandBox> boxes;
    const double centre = recording_.recording().centreFrequencyHz;
    for (const RecordingAnnotation& a : recording_.recording().annotations) {
        // Saturated: a hostile start and count must not wrap around.
        const std::uint64_t last =
            a.sampleStart + std::min(std::max<std::uint64_t>(a.sampleCount, 1),
                                     std::numeric_limits<std::uint64_t>::max() - a.sampleStart);
        // Only the emitters present in the samples the estimate is of.
        if (!a.freqLowerHz || !a.freqUpperHz || last <= begin_ || a.sampleStart >= end_) {
            continue;
        }
        // SigMF's edges are absolute when the capture has a centre frequency; the axis is the
        // offset from it.
        const auto span = spanOnAxis(*a.freqLowerHz - centre, *a.freqUpperHz - centre,
                                     xRange().lo, xRange().hi, area.width());
        if (span) {
            boxes.push_back({QRect(area.left() + span->first, area.top(), span->end - span->first,
                                   area.height()),
                             QString::fromStdString(a.label)});
        }
    }
    return boxes;
}

void SpectrumView::paintBands(QPainter& painter, const QRect& area) {
    const std::vector<BandBox> boxes = bandBoxes(area);
    if (boxes.empty()) {
        return;
    }
    // The trace after the bands must not inherit their brush.
    painter.save();
    painter.setPen(kAnnotationEdge);
    painter.setBrush(kAnnotationFill);
    const int line = painter.fontMetrics().height();
    int row = 0;
    for (const BandBox& band : boxes) {
        // The edges inside the box's pixels: a rectangle's outline reaches one pixel past it.
        painter.drawRect(band.box.adjusted(0, 0, -1, -1));
        if (band.box.width() >= kLabelledBandWidth && !band.label.isEmpty()) {
            const QRect text = band.box.adjusted(3, 2 + row * line, -2, 0);
            painter.drawText(text, Qt::AlignLeft | Qt::AlignTop,
                             painter.fontMetrics().elidedText(band.label, Qt::ElideRight, text.width()));
            row = (row + 1) % kLabelRows;
        }
    }
    painter.restore();
}

void SpectrumView::paintData(QPainter& painter, const QRect& area) {
    paintBands(painter, area);
    const std::size_t n = estimate_.powerDb.size();
    if (n == 0) {
        return;
    }
    // Many bins to a pixel column: each column a stroke over its bins' levels.
    QPainterPath path;
    const double binHz = estimate_.frequenciesHz.size() > 1
                             ? estimate_.frequenciesHz[1] - estimate_.frequenciesHz[0]
                             : 1.0;
    const double binsPerPixel = xRange().span() / binHz / area.width();
    painter.setPen(QPen(kSpectrumColour, 1.0));
    if (binsPerPixel <= 1.0) {
        for (std::size_t k = 0; k < n; ++k) {
            const QPointF at(pixelX(estimate_.frequenciesHz[k], area),
                             pixelY(estimate_.powerDb[k], area));
            k == 0 ? path.moveTo(at) : path.lineTo(at);
        }
        painter.drawPath(path);
        return;
    }
    for (int c = 0; c < area.width(); ++c) {
        const double from = xAt(area.left() + c, area);
        const double to = xAt(area.left() + c + 1, area);
        const auto first =
            static_cast<std::ptrdiff_t>(std::ceil((from - estimate_.frequenciesHz[0]) / binHz));
        const auto last =
            static_cast<std::ptrdiff_t>(std::ceil((to - estimate_.frequenciesHz[0]) / binHz));
        double low = INFINITY;
        double high = -INFINITY;
        for (std::ptrdiff_t k = std::max<std::ptrdiff_t>(first, 0);
             k < std::min<std::ptrdiff_t>(last, static_cast<std::ptrdiff_t>(n)); ++k) {
            low = std::min(low, estimate_.powerDb[static_cast<std::size_t>(k)]);
            high = std::max(high, estimate_.powerDb[static_cast<std::size_t>(k)]);
        }
        if (high >= low) {
            const double x = area.left() + c + 0.5;
            painter.drawLine(QPointF(x, pixelY(high, area)), QPointF(x, pixelY(low, area) + 0.5));
        }
    }
}

QString SpectrumView::readoutOf(double x, double y) const {
    if (estimate_.powerDb.empty()) {
        return PlotView::readoutOf(x, y);
    }
    const SpectrumPeak peak = peakNear(estimate_, x, kPeakSearchBins);
    // A hundredth of a bin: the peak's parabola resolves it, the cursor's pixel does not.
    const double binHz = estimate_.frequenciesHz[1] - estimate_.frequenciesHz[0];
    return QStringLiteral("f = %1, %2   peak near the cursor: %3 at %4")
        .arg(QString::fromStdString(quantityText(x, "Hz", binHz, std::fabs(x))))
        .arg(QString::fromStdString(quantityText(y, "dB", 0.01, 1.0)))
        .arg(QString::fromStdString(quantityText(peak.powerDb, "dB", 0.01, 1.0)))
        .arg(QString::fromStdString(
            quantityText(peak.frequencyHz, "Hz", binHz / 100.0, std::fabs(peak.frequencyHz))));
}

}  // namespace quorvel
