#include "display/widgets/SignalViewer.h"

#include <QGroupBox>
#include <QImage>
#include <future>
#include <utility>

#include "display/Spectrum.h"
#include "display/widgets/LineRaster.h"
#include "display/widgets/PlotCanvas.h"
#include "display/widgets/PlotPainting.h"
#include "display/widgets/PlotReduction.h"

namespace quorvel {

SignalViewer::SignalViewer(const ViewerData& viewed, SpectrumStorage& spectrum)
    : data_(viewed), spectrum_(spectrum) {
    setWindowTitle(QString::fromUtf8(kViewerTitle));
    resize(kViewerSize);
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_QuitOnClose, false);

    timeCanvas_ = addPlot(kTimeFrameRect, QStringLiteral("Modulated Signal"), kWideCanvasRect,
                          kTimeCanvasId, [this](QImage& image) { plotTime(image); });
    spectrumCanvas_ =
        addPlot(kSpectrumFrameRect, QStringLiteral("Spectrum Analyzer"), kNarrowCanvasRect,
                kSpectrumCanvasId, [this](QImage& image) { plotSpectrum(image); });
    constellationCanvas_ =
        addPlot(kConstellationFrameRect, QStringLiteral("Constellation Diagram"), kNarrowCanvasRect,
                kConstellationCanvasId, [this](QImage& image) { plotConstellation(image); });

    // The spectrum of a long signal takes longer than the other two plots together, and neither
    // of them needs it: they are drawn while another thread computes it (or, should no thread
    // start, it is computed afterwards by get()). Both sides only read the signal, and nothing
    // touches the spectrum before get() returns.
    std::future<void> computing = std::async(std::launch::async | std::launch::deferred, [this] {
        computeSpectrum(data_.signal, data_.sampleRateHz, spectrum_.frequenciesHz,
                        spectrum_.powerDb);
    });
    timeCanvas_->redrawNow();
    constellationCanvas_->redrawNow();
    computing.get();
    spectrumCanvas_->invalidatePlot();
}

void SignalViewer::setShowSampledData(bool show) {
    if (data_.showSampledData == show) {
        return;
    }
    data_.showSampledData = show;
    constellationCanvas_->redrawNow();
}

// Each plot goes from the data straight to its reduced geometry: the per-point lists of ten
// million samples would cost more than everything else the viewer does.
void SignalViewer::plotTime(QImage& image) const {
    drawPolyline(image, collapsedTimePlot(data_.signal, image.width(), image.height()),
                 kTimeLineColour.rgb());
}

void SignalViewer::plotSpectrum(QImage& image) const {
    drawPolyline(image,
                 collapsedSpectrumPlot(spectrum_.frequenciesHz, spectrum_.powerDb, image.width(),
                                       image.height()),
                 kSpectrumLineColour.rgb());
}

void SignalViewer::plotConstellation(QImage& image) const {
    const SampleBuffer& points = data_.showSampledData ? data_.signal : data_.mappedSymbols;
    drawVisibleDots(image, visibleConstellation(points, image.width(), image.height()));
}

PlotCanvas* SignalViewer::addPlot(const QRect& frameRect, const QString& caption,
                                  const QRect& canvasRect, int canvasId,
                                  std::function<void(QImage&)> plot) {
    auto* frame = new QGroupBox(caption, this);
    frame->setGeometry(frameRect);
    auto* canvas = new PlotCanvas(frame, std::move(plot));
    canvas->setGeometry(canvasRect);
    canvas->setObjectName(QStringLiteral("control%1").arg(canvasId));
    canvas->setProperty("controlId", canvasId);
    return canvas;
}

}  // namespace quorvel
