#pragma once
// One plot canvas of the viewer: a bordered frame whose inside shows an image that a plot
// function draws. The image is drawn once and kept until its data changes, so uncovering or
// repainting the window only copies it.

#include <QFrame>
#include <QImage>
#include <functional>

namespace quorvel {

class PlotCanvas : public QFrame {
  public:
    // Draws the plot onto an image already filled with the canvas background.
    using PlotFunction = std::function<void(QImage& image)>;

    // A canvas inside parent with a 1-pixel border; plot draws its inside.
    PlotCanvas(QWidget* parent, PlotFunction plot);

    // Forgets the drawn image, so that the next paint draws the plot from its data again.
    void invalidatePlot();

    // Draws the plot from its data again and repaints the canvas before returning.
    void redrawNow();

    // The image of the inside as last painted (null before the first paint) [pixels].
    const QImage& plotImage() const { return image_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void renderIfStale();

    PlotFunction plot_;
    QImage image_;
    bool stale_ = true;
};

}  // namespace quorvel
