#pragma once
// The spectrum view: Welch's estimate of the samples the time view shows, in dB per resolution
// bandwidth over frequency, with the window, the transform size and the RBW it was made with;
// the readout names the peak nearest the cursor; the recording's annotations that name a band
// as shaded bands with their labels.

#include <QRect>
#include <QString>
#include <cstdint>
#include <vector>

#include "analyzer/SpectrumEstimate.h"
#include "analyzer/widgets/PlotView.h"

namespace quorvel {

class AnalyzedRecording;

// One annotation's band as drawn: its pixels in the widget and its label.
struct BandBox {
    QRect box;
    QString label;
};

class SpectrumView : public PlotView {
  public:
    SpectrumView(const AnalyzedRecording& recording, QWidget* parent);

    // Estimates again over samples begin ... end - 1 with settings.
    void estimate(std::uint64_t begin, std::uint64_t end, const WelchSettings& settings);
    const SpectrumEstimate& current() const { return estimate_; }

    // "RBW 58.6 Hz, Hann, 4096 points, 39 segments".
    QString settingsText() const;

    // The bands of the annotations with both frequency edges that overlap the estimated samples
    // and the frequencies in view, over the data area `area`, in the recording's order; none for
    // a recording without any.
    std::vector<BandBox> bandBoxes(const QRect& area) const;

  protected:
    void paintData(QPainter& painter, const QRect& area) override;
    QString readoutOf(double x, double y) const override;

  private:
    void paintBands(QPainter& painter, const QRect& area);

    const AnalyzedRecording& recording_;
    SpectrumEstimate estimate_;
    WelchSettings settings_;
    std::uint64_t begin_ = 0;  // the samples estimated: first and one past the last
    std::uint64_t end_ = 0;
};

}  // namespace quorvel
