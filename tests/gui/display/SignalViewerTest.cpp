// The viewer on given data: its frames and canvases where they belong, the spectrum taken once
// at creation, and each canvas showing the core's geometry in the stated colours.

#include <gtest/gtest.h>

#include <QGroupBox>
#include <QPointer>
#include <set>

#include "display/PlotGeometry.h"
#include "display/Spectrum.h"
#include "display/widgets/SignalViewer.h"
#include "gui/support/GuiTestSupport.h"

namespace quorvel {
namespace {

using testing_support::drawEveryDot;
using testing_support::drawEveryPoint;
using testing_support::grabInside;
using testing_support::processDeferredDeletes;

const QRgb kBlue = qRgb(0, 0, 255);
const QRgb kRed = qRgb(255, 0, 0);
const QRgb kBlack = qRgb(0, 0, 0);
const QRgb kBackground = qRgb(240, 240, 240);

std::set<QRgb> coloursOf(const QImage& image) {
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            colours.insert(image.pixel(x, y));
        }
    }
    return colours;
}

class SignalViewerTest : public ::testing::Test {
  protected:
    void TearDown() override { delete opened.data(); }

    SignalViewer& open() {
        opened = new SignalViewer({signal, mapped, sampleRate, showSampled}, spectrum);
        opened->show();
        return *opened;
    }

    SampleBuffer signal;
    SampleBuffer mapped;
    double sampleRate = 10000.0;
    bool showSampled = false;
    SpectrumStorage spectrum;
    QPointer<SignalViewer> opened;
};

TEST_F(SignalViewerTest, FramesAndCanvasesSitAtTheirFixedPlaces) {
    signal = {{1, 0}};
    SignalViewer& viewer = open();
    EXPECT_EQ(viewer.windowTitle(), QStringLiteral("Signal Viewer"));
    EXPECT_EQ(viewer.size(), QSize(900, 600));
    EXPECT_TRUE(viewer.testAttribute(Qt::WA_DeleteOnClose));
    // Closing the main window ends the program even while a viewer is open.
    EXPECT_FALSE(viewer.testAttribute(Qt::WA_QuitOnClose));
    struct Case {
        PlotCanvas* canvas;
        int id;
        const char* caption;
        QRect frame;
        QRect canvasRect;
        QSize inside;
    };
    const Case cases[] = {
        {&viewer.timeCanvas(),
         1001,
         "Modulated Signal",
         {10, 10, 880, 275},
         {10, 30, 860, 250},
         {858, 248}},
        {&viewer.spectrumCanvas(),
         1002,
         "Spectrum Analyzer",
         {10, 295, 435, 275},
         {10, 30, 415, 250},
         {413, 248}},
        {&viewer.constellationCanvas(),
         1003,
         "Constellation Diagram",
         {455, 295, 435, 275},
         {10, 30, 415, 250},
         {413, 248}},
    };
    for (const Case& c : cases) {
        ASSERT_NE(c.canvas, nullptr);
        EXPECT_EQ(c.canvas->objectName(), QStringLiteral("control%1").arg(c.id));
        EXPECT_EQ(c.canvas->property("controlId").toInt(), c.id);
        auto* frame = dynamic_cast<QGroupBox*>(c.canvas->parentWidget());
        ASSERT_NE(frame, nullptr);
        EXPECT_EQ(frame->parentWidget(), &viewer);
        EXPECT_EQ(frame->title(), QString::fromLatin1(c.caption));
        EXPECT_EQ(frame->geometry(), c.frame);
        EXPECT_EQ(c.canvas->geometry(), c.canvasRect);
        EXPECT_EQ(c.canvas->contentsRect(), QRect(QPoint(1, 1), c.inside));
    }
}

TEST_F(SignalViewerTest, SpectrumIsComputedOnceWhenTheViewerOpens) {
    signal = {{1, 0}, {0, 1}, {-1, 0}, {0.5, -0.5}, {0.25, 0}};
    sampleRate = 5.0;
    // What a previous viewer left in the storage is replaced.
    spectrum.frequenciesHz = {9, 9, 9, 9, 9, 9, 9, 9};
    spectrum.powerDb = {1};
    std::vector<double> frequencies;
    std::vector<double> levels;
    computeSpectrum(signal, 5.0, frequencies, levels);
    const SignalViewer& shown = open();
    EXPECT_EQ(spectrum.frequenciesHz, frequencies);
    EXPECT_EQ(spectrum.powerDb, levels);
    // Painting only reads the spectrum: changing the signal afterwards leaves it alone.
    signal.assign(8, {1, 1});
    grabInside(shown.spectrumCanvas());
    EXPECT_EQ(spectrum.powerDb, levels);
}

TEST_F(SignalViewerTest, TimeCanvasDrawsTheRealPartInBlue) {
    signal = {{0, 5}, {1, 5}, {0, 5}, {-1, 5}};
    const QImage inside = grabInside(open().timeCanvas());
    // The core puts these samples at (0, 124), (214, 0), (429, 124) and (643, 248), the last one
    // just below the visible rows (and a polyline's last point is not drawn anyway).
    for (const QPoint p : {QPoint(0, 124), QPoint(214, 0), QPoint(429, 124), QPoint(642, 247)}) {
        EXPECT_EQ(inside.pixel(p), kBlue) << p.x() << "," << p.y();
    }
    EXPECT_EQ(inside.pixel(700, 124), kBackground);
    EXPECT_EQ(inside.pixel(857, 0), kBackground);
    EXPECT_EQ(coloursOf(inside), (std::set<QRgb>{kBackground, kBlue}));
    EXPECT_EQ(inside, drawEveryPoint(computeTimePlot(signal, 858, 248), 858, 248, kTimeLineColour));
}

TEST_F(SignalViewerTest, SpectrumCanvasDrawsTheLevelsInRed) {
    signal.assign(4, {1, 0});
    sampleRate = 4.0;
    const QImage inside = grabInside(open().spectrumCanvas());
    std::vector<double> frequencies;
    std::vector<double> levels;
    computeSpectrum(signal, 4.0, frequencies, levels);
    // The core puts the bins at (0, 248), (137, 248), (275, 0) and (413, 248): only the peak and
    // the lines to it lie inside the 413 x 248 area.
    EXPECT_EQ(inside.pixel(275, 0), kRed);
    EXPECT_EQ(inside.pixel(206, 124), kRed);
    EXPECT_EQ(inside.pixel(344, 124), kRed);
    EXPECT_EQ(inside.pixel(50, 100), kBackground);
    EXPECT_EQ(coloursOf(inside), (std::set<QRgb>{kBackground, kRed}));
    EXPECT_EQ(inside, drawEveryPoint(computeSpectrumPlot(frequencies, levels, 413, 248), 413, 248,
                                     kSpectrumLineColour));
}

TEST_F(SignalViewerTest, ConstellationCanvasDrawsTheMappedSymbolsAsDots) {
    signal = {{0.1, 0.2}, {0.3, 0.1}};
    mapped = {{1, 1}, {-1, 1}, {-1, -1}, {1, -1}};
    const QImage inside = grabInside(open().constellationCanvas());
    // The core puts the dot centres at x 34 and 378 and y 20 (Q = +1) and 227 (Q = -1).
    for (const int cx : {34, 378}) {
        for (const int cy : {20, 227}) {
            EXPECT_EQ(inside.pixel(cx - 1, cy - 1), kBlue);
            EXPECT_EQ(inside.pixel(cx, cy), kBlue);
            EXPECT_EQ(inside.pixel(cx - 1, cy - 2), kBlack);
            EXPECT_EQ(inside.pixel(cx - 2, cy), kBlack);
            EXPECT_EQ(inside.pixel(cx - 2, cy - 2), kBackground);
        }
    }
    EXPECT_EQ(coloursOf(inside), (std::set<QRgb>{kBackground, kBlue, kBlack}));
    EXPECT_EQ(inside, drawEveryDot(computeConstellationPlot(mapped, 413, 248), 413, 248));
}

TEST_F(SignalViewerTest, SampledDataShowsTheFinalSignalInstead) {
    signal = {{0.1, 0.2}, {0.3, 0.1}, {-0.2, -0.4}};
    mapped = {{1, 1}, {-1, -1}};
    showSampled = true;
    EXPECT_EQ(grabInside(open().constellationCanvas()),
              drawEveryDot(computeConstellationPlot(signal, 413, 248), 413, 248));
}

TEST_F(SignalViewerTest, EmptyDataLeavesPlainCanvases) {
    signal = {};
    const SignalViewer& shown = open();
    for (PlotCanvas* canvas :
         {&shown.timeCanvas(), &shown.spectrumCanvas(), &shown.constellationCanvas()}) {
        EXPECT_EQ(coloursOf(grabInside(*canvas)), std::set<QRgb>{kBackground});
        // The 1-pixel border is drawn around the inside.
        EXPECT_NE(canvas->grab().toImage().pixel(0, 0), kBackground);
    }
}

TEST_F(SignalViewerTest, RepaintsReuseTheDrawnImageUntilItIsInvalidated) {
    signal = {{0, 0}, {1, 0}, {0, 0}};
    PlotCanvas& time = open().timeCanvas();
    const QImage first = grabInside(time);
    signal = {{1, 0}, {0, 0}, {1, 0}};
    EXPECT_EQ(grabInside(time), first);
    time.invalidatePlot();
    const QImage redrawn = grabInside(time);
    EXPECT_NE(redrawn, first);
    EXPECT_EQ(redrawn,
              drawEveryPoint(computeTimePlot(signal, 858, 248), 858, 248, kTimeLineColour));
}

TEST_F(SignalViewerTest, ClosingDestroysTheViewerAndClearsTheHandles) {
    signal = {{1, 0}};
    SignalViewer& shown = open();
    const QPointer<PlotCanvas> canvases[] = {&shown.timeCanvas(), &shown.spectrumCanvas(),
                                             &shown.constellationCanvas()};
    shown.close();
    processDeferredDeletes();
    EXPECT_FALSE(opened);
    for (const QPointer<PlotCanvas>& canvas : canvases) {
        EXPECT_FALSE(canvas);
    }
}

}  // namespace
}  // namespace quorvel
