#pragma once
// The "Signal Viewer" window: the time plot, the spectrum and the constellation of the latest
// result, each a canvas in a captioned frame at a fixed place. The spectrum is computed once,
// when the viewer is created.

#include <QImage>
#include <QRect>
#include <QString>
#include <QWidget>
#include <functional>

namespace quorvel {

struct ApplicationState;
class PlotCanvas;

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

class SignalViewer : public QWidget {
  public:
    // Builds the viewer on state: computes the spectrum of state.CurrentSignal at
    // state.ViewerSampleRate into state's spectrum, and records its canvases in state. The viewer
    // deletes itself when closed; it does not keep the application running on its own.
    explicit SignalViewer(ApplicationState& state);

  private:
    PlotCanvas* addPlot(const QRect& frameRect, const QString& caption, const QRect& canvasRect,
                        int canvasId, std::function<void(QImage&)> plot);
};

}  // namespace quorvel
