#pragma once
// The views after the receiver's matched filter: the constellation at the symbol instants with
// equal axes, the ideal points and its EVM and MER; and the eye diagram of its I or Q output.

#include <QImage>
#include <optional>
#include <vector>

#include "analyzer/SymbolRecovery.h"
#include "analyzer/widgets/PlotView.h"

namespace quorvel {

class AnalyzedRecording;

// How many symbols the constellation and the eye take, from the first one the time view shows.
inline constexpr std::size_t kConstellationSymbols = 4000;
inline constexpr std::size_t kEyeTraces = 300;

class ConstellationView : public PlotView {
  public:
    ConstellationView(const AnalyzedRecording& recording, QWidget* parent);

    // Filters and samples the symbols from sample begin on with timing; ideal are the scheme's
    // points (none for a recording of unknown scheme).
    void recover(std::uint64_t begin, const SymbolTiming& timing, std::vector<IqSample> ideal);

    const std::vector<IqSample>& points() const { return points_; }
    const std::optional<ConstellationQuality>& quality() const { return quality_; }
    // "EVM 3.16 % (MER 30.0 dB) over 4000 symbols", or why there is none.
    QString qualityText() const;

  protected:
    void paintData(QPainter& painter, const QRect& area) override;
    bool zoomsBothAxes() const override { return true; }
    void resizeEvent(QResizeEvent* event) override;

  private:
    void fitEqualAxes();

    const AnalyzedRecording& recording_;
    std::vector<IqSample> points_;
    std::vector<IqSample> ideal_;
    std::optional<ConstellationQuality> quality_;
    double reach_ = 1.0;
};

class EyeView : public PlotView {
  public:
    EyeView(const AnalyzedRecording& recording, QWidget* parent);

    // The eye of kEyeTraces symbols from sample begin on, of I or of Q.
    void trace(std::uint64_t begin, const SymbolTiming& timing, bool quadrature);

  protected:
    void paintData(QPainter& painter, const QRect& area) override;
    void rangesChanged() override;

  private:
    const AnalyzedRecording& recording_;
    SymbolTiming timing_{};
    std::uint64_t begin_ = 0;
    bool quadrature_ = false;
    QImage image_;
    double eyeLimit_ = 1.0;  // the image's amplitude reach
};

}  // namespace quorvel
