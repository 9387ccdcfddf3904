#pragma once
// The spectrogram: frequency across, time downwards, one windowed transform per pixel row of the
// samples the time view shows, in a colour scale of dB. Two time cursors and two frequency
// cursors read out their spacing, and a symbol rate from the time spacing; the recording's
// annotations with a band are boxes.

#include <QImage>
#include <cstdint>
#include <optional>

#include "analyzer/SpectralWindow.h"
#include "analyzer/widgets/PlotView.h"

namespace quorvel {

class AnalyzedRecording;

// Where the two cursors are: a time [s] and a frequency [Hz] each, when set.
struct CursorPair {
    std::optional<QPointF> a;  // x frequency, y time
    std::optional<QPointF> b;
};

class SpectrogramView : public PlotView {
  public:
    SpectrogramView(const AnalyzedRecording& recording, QWidget* parent);

    // Shows samples begin ... end - 1 with transforms of fftSize points.
    void showSamples(std::uint64_t begin, std::uint64_t end, std::size_t fftSize,
                     SpectralWindow window);

    // Sets cursor A (or B) at frequency [Hz] and time [s].
    void setCursor(bool second, double frequencyHz, double timeS);
    // How many symbols lie between the two time cursors (1 by default).
    void setSymbolsBetweenCursors(int symbols);
    // "dt = 1.000 ms: 1.000 kBd; df = 2.000 kHz", or a hint while a cursor is missing.
    QString cursorText() const;

  protected:
    void paintData(QPainter& painter, const QRect& area) override;
    QString readoutOf(double x, double y) const override;
    void rangesChanged() override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    void compute(const QRect& area);

    const AnalyzedRecording& recording_;
    std::size_t fftSize_ = 1024;
    SpectralWindow window_ = SpectralWindow::Hann;
    QImage image_;           // the rows as last computed
    AxisRange imageTime_{};  // the time range they cover
    double lowDb_ = -100.0;
    double highDb_ = 0.0;
    CursorPair cursors_;
    int symbols_ = 1;
};

}  // namespace quorvel
