#include "display/widgets/SignalViewer.h"

#include <QGroupBox>
#include <QImage>
#include <future>
#include <utility>

#include "app/ControlTable.h"
#include "app/widgets/AppIcon.h"
#include "app/widgets/ApplicationState.h"
#include "app/widgets/QtText.h"
#include "display/Spectrum.h"
#include "display/widgets/LineRaster.h"
#include "display/widgets/PlotCanvas.h"
#include "display/widgets/PlotPainting.h"
#include "display/widgets/PlotReduction.h"

namespace quorvel {
namespace {

// Each plot goes from the data straight to its reduced geometry: the per-point lists of ten
// million samples would cost more than everything else the viewer does.
void plotTime(const ApplicationState& state, QImage& image) {
    drawPolyline(image, collapsedTimePlot(state.CurrentSignal, image.width(), image.height()),
                 kTimeLineColour.rgb());
}

void plotSpectrum(const ApplicationState& state, QImage& image) {
    drawPolyline(image,
                 collapsedSpectrumPlot(state.SpectrumFrequencies, state.SpectrumPowerDb,
                                       image.width(), image.height()),
                 kSpectrumLineColour.rgb());
}

void plotConstellation(const ApplicationState& state, QImage& image) {
    const SampleBuffer& points = state.ShowSampledData ? state.CurrentSignal : state.MappedSymbols;
    drawVisibleDots(image, visibleConstellation(points, image.width(), image.height()));
}

}  // namespace

SignalViewer::SignalViewer(ApplicationState& state) {
    setWindowTitle(toQString(kViewerWindow.title));
    setWindowIcon(applicationIcon());
    resize(kViewerWindow.width, kViewerWindow.height);
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_QuitOnClose, false);

    ApplicationState* s = &state;
    state.TimeCanvas = addPlot(kTimeFrameRect, QStringLiteral("Modulated Signal"), kWideCanvasRect,
                               kTimeCanvasId, [s](QImage& image) { plotTime(*s, image); });
    state.SpectrumCanvas =
        addPlot(kSpectrumFrameRect, QStringLiteral("Spectrum Analyzer"), kNarrowCanvasRect,
                kSpectrumCanvasId, [s](QImage& image) { plotSpectrum(*s, image); });
    state.ConstellationCanvas =
        addPlot(kConstellationFrameRect, QStringLiteral("Constellation Diagram"), kNarrowCanvasRect,
                kConstellationCanvasId, [s](QImage& image) { plotConstellation(*s, image); });

    // The spectrum of a long signal takes longer than the other two plots together, and neither
    // of them needs it: they are drawn while another thread computes it (or, should no thread
    // start, it is computed afterwards by get()). Both sides only read the signal, and nothing
    // touches the spectrum before get() returns.
    std::future<void> spectrum = std::async(std::launch::async | std::launch::deferred, [&state] {
        computeSpectrum(state.CurrentSignal, state.ViewerSampleRate, state.SpectrumFrequencies,
                        state.SpectrumPowerDb);
    });
    state.TimeCanvas->redrawNow();
    state.ConstellationCanvas->redrawNow();
    spectrum.get();
    state.SpectrumCanvas->invalidatePlot();
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
