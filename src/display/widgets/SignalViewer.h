#pragma once
// The "Signal Viewer" window: the time plot, the spectrum and the constellation of the data it is
// given, each a canvas in a captioned frame at a fixed place. The spectrum is computed once, when
// the viewer is created.

#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>
#include <QWidget>
#include <functional>
#include <vector>

#include "common/Signal.h"

namespace quorvel {

class PlotCanvas;

// The viewer's title and outer size [pixels]; whoever opens it picks the position.
inline constexpr char kViewerTitle[] = "Signal Viewer";
inline constexpr QSize kViewerSize{900, 600};

// Geometry of the viewer's frames (in the viewer) and canvases (in their frame) [pixels].
inline constexpr QRect kTimeFrameRect{10, 10, 880, 275};
inline constexpr QRect kSpectrumFrameRect{10, 295, 435, 275};
inline constexpr QRect kConstellationFrameRect{455, 295, 435, 275};
inline constexpr QRect kWideCanvasRect{10, 30, 860, 250};
inline constexpr QRect kNarrowCanvasRect{10, 30, 415, 250};

// The numeric IDs of the three canvases.
inline constexpr int kTimeCanvasId = 1001;
inline constexpr int kSpectrumCanvasId = 1002;
inline constexpr int kConstellationCanvasId = 1003;

// What the viewer draws. The buffers are referred to, not copied: a signal of ten million samples
// would otherwise be held twice. They must outlive the viewer, which reads them whenever it
// draws a plot.
struct ViewerData {
    const SampleBuffer& signal;         // the time plot, the spectrum and the sampled constellation
    const SampleBuffer& mappedSymbols;  // the constellation unless showSampledData
    double sampleRateHz = 0.0;          // of signal
    bool showSampledData = false;       // the constellation shows signal instead
};

// Where a viewer computes its spectrum and keeps it while open. Handing the next viewer the same
// storage reuses it: ten million bins in fresh memory cost half again as long as the rest of
// opening the viewer.
struct SpectrumStorage {
    std::vector<double> frequenciesHz;  // ascending, one per sample of the signal
    std::vector<double> powerDb;        // same length
};

class SignalViewer : public QWidget {
  public:
    // Builds the viewer on viewed, computing the spectrum of viewed.signal into spectrum, which
    // must outlive the viewer and is not to be changed while it is open. The viewer deletes
    // itself when closed; it does not keep the application running on its own.
    SignalViewer(const ViewerData& viewed, SpectrumStorage& spectrum);

    // Switches the constellation between the signal and the mapped symbols, repainting it before
    // returning.
    void setShowSampledData(bool show);

    PlotCanvas& timeCanvas() const { return *timeCanvas_; }
    PlotCanvas& spectrumCanvas() const { return *spectrumCanvas_; }
    PlotCanvas& constellationCanvas() const { return *constellationCanvas_; }

  private:
    PlotCanvas* addPlot(const QRect& frameRect, const QString& caption, const QRect& canvasRect,
                        int canvasId, std::function<void(QImage&)> plot);
    void plotTime(QImage& image) const;
    void plotSpectrum(QImage& image) const;
    void plotConstellation(QImage& image) const;

    ViewerData data_;
    SpectrumStorage& spectrum_;
    PlotCanvas* timeCanvas_ = nullptr;
    PlotCanvas* spectrumCanvas_ = nullptr;
    PlotCanvas* constellationCanvas_ = nullptr;
};

}  // namespace quorvel
