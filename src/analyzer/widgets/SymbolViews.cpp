#include "analyzer/widgets/SymbolViews.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

#include "analyzer/AnalyzedRecording.h"
#include "analyzer/widgets/PlotColours.h"

namespace quorvel {
namespace {

constexpr double kConstellationMargin = 1.2;
constexpr int kIdealMark = 5;  // half the size of an ideal point's cross [pixels]

std::int64_t firstSymbolFrom(std::uint64_t begin, const SymbolTiming& timing) {
    return static_cast<std::int64_t>(std::ceil(
        (static_cast<double>(begin) - timing.firstSymbolSample) / timing.samplesPerSymbol));
}

}  // namespace

ConstellationView::ConstellationView(const AnalyzedRecording& recording, QWidget* parent)
    : PlotView(QString(), QString(), parent), recording_(recording) {
    setXTitle(QStringLiteral("I (after the matched filter, at the symbol instants)"));
}

void ConstellationView::recover(std::uint64_t begin, const SymbolTiming& timing,
                                std::vector<IqSample> ideal) {
    const MatchedFilter filter(recording_.samples(), timing);
    const auto [whole, count] = filter.wholeSymbols();
    const std::int64_t first = std::max(whole, firstSymbolFrom(begin, timing));
    const std::int64_t end = whole + static_cast<std::int64_t>(count);
    const auto taken =
        static_cast<std::size_t>(std::clamp<std::int64_t>(end - first, 0, kConstellationSymbols));
    points_ = filter.symbols(first, taken);
    ideal_ = std::move(ideal);
    quality_ = measureQuality(points_, ideal_);
    reach_ = 0.0;
    for (const IqSample p : points_) {
        if (std::isfinite(p.real()) && std::isfinite(p.imag())) {
            reach_ = std::max({reach_, static_cast<double>(std::fabs(p.real())),
                               static_cast<double>(std::fabs(p.imag()))});
        }
    }
    for (const IqSample p : ideal_) {
        reach_ = std::max({reach_, static_cast<double>(std::fabs(p.real())),
                           static_cast<double>(std::fabs(p.imag()))});
    }
    reach_ = reach_ > 0.0 ? kConstellationMargin * reach_ : 1.0;
    fitEqualAxes();
}

// One unit is as many pixels across as up: the wider axis gets the room left over.
void ConstellationView::fitEqualAxes() {
    const QRect area = plotArea(size());
    const double aspect = static_cast<double>(area.width()) / area.height();
    const AxisRange x =
        aspect >= 1.0 ? AxisRange{-reach_ * aspect, reach_ * aspect} : AxisRange{-reach_, reach_};
    const AxisRange y =
        aspect >= 1.0 ? AxisRange{-reach_, reach_} : AxisRange{-reach_ / aspect, reach_ / aspect};
    setLimits(x, y);
    setRanges(x, y);
}

void ConstellationView::resizeEvent(QResizeEvent* event) {
    PlotView::resizeEvent(event);
    fitEqualAxes();
}

QString ConstellationView::qualityText() const {
    if (points_.empty()) {
        return QStringLiteral("no whole symbol in the recording at this symbol rate");
    }
    if (!quality_) {
        return QStringLiteral("%1 symbols; no EVM without a known constellation")
            .arg(points_.size());
    }
    return QStringLiteral("EVM %1 % (MER %2 dB) over %3 symbols")
        .arg(quality_->evmPercent, 0, 'f', 2)
        .arg(quality_->merDb, 0, 'f', 1)
        .arg(quality_->symbols);
}

void ConstellationView::paintData(QPainter& painter, const QRect& area) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(kInPhaseColour);
    for (const IqSample p : points_) {
        painter.drawRect(
            QRectF(pixelX(p.real(), area) - 1.0, pixelY(p.imag(), area) - 1.0, 2.0, 2.0));
    }
    painter.setPen(QPen(kIdealPointColour, 1.0));
    for (const IqSample p : ideal_) {
        const QPointF at(pixelX(p.real(), area), pixelY(p.imag(), area));
        painter.drawLine(at - QPointF(kIdealMark, 0), at + QPointF(kIdealMark, 0));
        painter.drawLine(at - QPointF(0, kIdealMark), at + QPointF(0, kIdealMark));
    }
}

EyeView::EyeView(const AnalyzedRecording& recording, QWidget* parent)
    : PlotView(QStringLiteral("sym"), QString(), parent), recording_(recording) {
    setXTitle(QStringLiteral("Time from the symbol instant [symbol periods]"));
}

void EyeView::trace(std::uint64_t begin, const SymbolTiming& timing, bool quadrature) {
    timing_ = timing;
    begin_ = begin;
    quadrature_ = quadrature;
    image_ = QImage();
    setLimits({-1.0, 1.0}, {-1.0, 1.0});
    setRanges({-1.0, 1.0}, {-1.0, 1.0});
}

void EyeView::rangesChanged() {
    // The eye is drawn for the whole two symbols; zooming only magnifies its picture.
}

void EyeView::paintData(QPainter& painter, const QRect& area) {
    if (image_.isNull()) {
        const MatchedFilter filter(recording_.samples(), timing_);
        const auto [whole, count] = filter.wholeSymbols();
        const std::int64_t first = std::max(whole, firstSymbolFrom(begin_, timing_) + 1);
        const std::int64_t end = whole + static_cast<std::int64_t>(count) - 1;
        const auto traces =
            static_cast<std::size_t>(std::clamp<std::int64_t>(end - first, 0, kEyeTraces));
        const EyeDensity eye =
            eyeDiagram(filter, timing_, first, traces, std::min(area.width(), 800),
                       std::min(area.height(), 600), quadrature_);
        if (eye.hits.empty()) {
            return;
        }
        eyeLimit_ = eye.limit;
        setLimits({-1.0, 1.0}, {-eye.limit, eye.limit});
        setRanges(xRange(), {-eye.limit, eye.limit});
        image_ = QImage(eye.width, eye.height, QImage::Format_RGB32);
        const double scale = std::log1p(static_cast<double>(eye.peak));
        for (int y = 0; y < eye.height; ++y) {
            auto* line = reinterpret_cast<QRgb*>(image_.scanLine(y));
            for (int x = 0; x < eye.width; ++x) {
                const std::uint32_t hits = eye.hits[static_cast<std::size_t>(y * eye.width + x)];
                line[x] = hits == 0 ? qRgb(255, 255, 255)
                                    : heatColour(0.25 + 0.75 * std::log1p(hits) / scale);
            }
        }
    }
    painter.drawImage(QRectF(QPointF(pixelX(-1.0, area), pixelY(eyeLimit_, area)),
                             QPointF(pixelX(1.0, area), pixelY(-eyeLimit_, area))),
                      image_);
}

}  // namespace quorvel
