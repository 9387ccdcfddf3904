#pragma once
// The time view: I and Q over time, each pixel column the min/max of its samples from the
// recording's pyramid, or, zoomed in far enough, the line through the samples themselves; the
// recording's annotations as shaded spans.

#include <functional>

#include "analyzer/widgets/PlotView.h"

namespace quorvel {

class AnalyzedRecording;

class TimeView : public PlotView {
  public:
    // A view of recording, which must outlive it.
    TimeView(const AnalyzedRecording& recording, QWidget* parent);

    // Called when the user zooms or pans the time axis, with the samples shown.
    void setOnSamplesChanged(std::function<void(std::uint64_t begin, std::uint64_t end)> changed) {
        samplesChanged_ = std::move(changed);
    }
    // The samples the time axis shows now: first and one past the last.
    std::pair<std::uint64_t, std::uint64_t> visibleSamples() const;
    // Shows samples begin ... end - 1.
    void showSamples(std::uint64_t begin, std::uint64_t end);
    // Takes the amplitude axis's limits from the recording's exact extent, once the pyramid has
    // it (until then they come from sampled runs and may miss a peak); an amplitude range the user
    // has not zoomed follows them.
    void fitAmplitude();

  protected:
    void paintData(QPainter& painter, const QRect& area) override;
    QString readoutOf(double x, double y) const override;
    void rangesChanged() override;
    double minimumXSpan() const override;

  private:
    void paintSamples(QPainter& painter, const QRect& area, std::uint64_t begin, std::uint64_t end);
    void paintColumns(QPainter& painter, const QRect& area, std::uint64_t begin, std::uint64_t end);
    void paintAnnotations(QPainter& painter, const QRect& area);

    const AnalyzedRecording& recording_;
    std::function<void(std::uint64_t, std::uint64_t)> samplesChanged_;
    AxisRange timeLimits_{};
    AxisRange amplitudeLimits_{};
};

}  // namespace quorvel
