#include "display/widgets/SignalViewer.h"

#include <QGroupBox>
#include <QImage>
#include <utility>

#include "app/ControlTable.h"
#include "app/widgets/AppIcon.h"
#include "app/widgets/ApplicationState.h"
#include "app/widgets/QtText.h"
#include "display/PlotGeometry.h"
#include "display/Spectrum.h"
#include "display/widgets/PlotCanvas.h"
#include "display/widgets/PlotPainting.h"

namespace quorvel {
namespace {

void plotTime(const ApplicationState& state, QImage& image) {
    drawPlotLine(image, computeTimePlot(state.CurrentSignal, image.width(), image.height()),
                 kTimeLineColour);
}

void plotSpectrum(const ApplicationState& state, QImage& image) {
    drawPlotLine(image,
                 computeSpectrumPlot(state.SpectrumFrequencies, state.SpectrumPowerDb,
                                     image.width(), image.height()),
                 kSpectrumLineColour);
}

void plotConstellation(const ApplicationState& state, QImage& image) {
    const SampleBuffer& points = state.ShowSampledData ? state.CurrentSignal : state.MappedSymbols;
    drawDots(image, computeConstellationPlot(points, image.width(), image.height()));
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

    computeSpectrum(state.CurrentSignal, state.ViewerSampleRate, state.SpectrumFrequencies,
                    state.SpectrumPowerDb);
    state.TimeCanvas->invalidatePlot();
    state.SpectrumCanvas->invalidatePlot();
    state.ConstellationCanvas->invalidatePlot();
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
