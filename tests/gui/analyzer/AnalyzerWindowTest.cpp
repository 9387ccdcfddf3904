// The analyzer on recordings written here: where its views put the samples (canvas grabs against
// the axes' own formula), what the cursor reads out, zoom by wheel and rubber band, equal axes,
// pictures saved whole, and the control panel's ways of opening it.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QTabWidget>
#include <QWheelEvent>
#include <cmath>
#include <cstring>
#include <fstream>
#include <vector>

#include "analyzer/AnalyzedRecording.h"
#include "analyzer/widgets/AnalyzerWindow.h"
#include "analyzer/widgets/SpectrogramView.h"
#include "analyzer/widgets/SpectrumView.h"
#include "analyzer/widgets/SymbolViews.h"
#include "analyzer/widgets/TimeView.h"
#include "common/Signal.h"
#include "gui/support/SmallRunWindow.h"
#include "support/TempDir.h"

namespace quorvel {
namespace {

using testing_support::TempDir;

constexpr double kRate = 48000.0;
constexpr double kToneHz = 3010.0;  // between bins of every transform size offered
constexpr std::size_t kAnalyzerWindowSamples = 96000;

// A cf32 recording: I a square wave of +-0.5 over the first half, then a tone of amplitude 0.5.
void writeRecording(const TempDir& dir) {
    std::vector<float> iq(2 * kAnalyzerWindowSamples);
    for (std::size_t n = 0; n < kAnalyzerWindowSamples; ++n) {
        if (n < kAnalyzerWindowSamples / 2) {
            iq[2 * n] = (n / 4800) % 2 == 0 ? 0.5f : -0.5f;
        } else {
            const double phase = 2.0 * Pi * kToneHz * static_cast<double>(n) / kRate;
            iq[2 * n] = static_cast<float>(0.5 * std::cos(phase));
            iq[2 * n + 1] = static_cast<float>(0.5 * std::sin(phase));
        }
    }
    std::ofstream(dir.file("r.sigmf-data"), std::ios::binary)
        .write(reinterpret_cast<const char*>(iq.data()),
               static_cast<std::streamsize>(iq.size() * sizeof(float)));
    std::ofstream(dir.file("r.sigmf-meta"))
        << R"({"global": {"core:datatype": "cf32_le", "core:sample_rate": 48000, "core:version": "1.0.0"},
              "captures": [{"core:sample_start": 0}],
              "annotations": [{"core:sample_start": 0, "core:sample_count": 48000, "core:label": "square"}]})";
}

class AnalyzerWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        writeRecording(dir);
        window = new AnalyzerWindow(QString::fromStdString(dir.file("r.sigmf-meta")));
        window->recording().waitForPyramid();
        window->resize(1180, 720);
        window->show();
        QApplication::processEvents();
    }
    void TearDown() override {
        window->close();
        testing_support::processDeferredDeletes();
    }

    QImage grab(PlotView& view) {
        view.update();
        return view.grab().toImage().convertToFormat(QImage::Format_RGB32);
    }

    TempDir dir;
    AnalyzerWindow* window = nullptr;
};

// The pixel row of value v on an axis lo ... hi drawn top to bottom over the area, computed here
// from the definition rather than through the view.
int rowOf(double v, double lo, double hi, const QRect& area) {
    return area.top() + static_cast<int>(std::lround((hi - v) / (hi - lo) * area.height()));
}

TEST_F(AnalyzerWindowTest, TimeViewDrawsEachColumnsExtentWhereTheAxisPutsIt) {
    TimeView& time = window->timeView();
    window->tabs().setCurrentIndex(0);
    const QImage image = grab(time);
    const QRect area = plotArea(time.size());
    // The whole recording's largest value is 0.5, shown with a tenth to spare: -0.55 to 0.55.
    EXPECT_NEAR(time.yRange().hi, 0.55, 1e-6);
    const int top = rowOf(0.5, -0.55, 0.55, area);
    const int bottom = rowOf(-0.5, -0.55, 0.55, area);
    // Over the square wave (the left half) every column of I spans -0.5 to 0.5 or sits at one of
    // them; no I pixel lies above 0.5 nor below -0.5.
    int blueAtTop = 0;
    for (int x = area.left() + 2; x < area.left() + area.width() / 2 - 2; ++x) {
        for (int y = area.top() + 1; y < area.bottom(); ++y) {
            const bool blue = qBlue(image.pixel(x, y)) > 150 && qRed(image.pixel(x, y)) < 80;
            if (blue) {
                EXPECT_GE(y, top - 1) << x;
                EXPECT_LE(y, bottom + 1) << x;
                blueAtTop += std::abs(y - top) <= 1 ? 1 : 0;
            }
        }
    }
    EXPECT_GT(blueAtTop, area.width() / 4);
    // The readout names the sample under the cursor and its value.
    EXPECT_TRUE(time.readoutAt(QPoint(area.left() + 10, area.center().y()))
                    .contains(QStringLiteral("I = 0.5")));
}

TEST_F(AnalyzerWindowTest, WheelAndRubberBandZoomTheTimeAndTheOtherViewsFollow) {
    TimeView& time = window->timeView();
    const QRect area = plotArea(time.size());
    const QPointF centre(area.left() + area.width() / 4.0, area.center().y());
    const double anchor = time.xRange().lo + 0.25 * time.xRange().span();
    QWheelEvent wheel(centre, time.mapToGlobal(centre), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&time, &wheel);
    EXPECT_NEAR(time.xRange().span(), 0.8 * 2.0, 1e-9);  // 2 s of samples, one notch in
    EXPECT_NEAR(time.xRange().lo + 0.25 * time.xRange().span(), anchor, 1e-9);

    // A box over pixel columns 100 to 300 of the data area shows exactly their times.
    const double from = time.xRange().lo + 100.0 / area.width() * time.xRange().span();
    const double to = time.xRange().lo + 300.0 / area.width() * time.xRange().span();
    const QPoint press(area.left() + 100, area.top() + 20);
    const QPoint release(area.left() + 300, area.bottom() - 20);
    QMouseEvent down(QEvent::MouseButtonPress, press, time.mapToGlobal(press), Qt::LeftButton,
                     Qt::LeftButton, Qt::ShiftModifier);
    QMouseEvent move(QEvent::MouseMove, release, time.mapToGlobal(release), Qt::NoButton,
                     Qt::LeftButton, Qt::ShiftModifier);
    QMouseEvent up(QEvent::MouseButtonRelease, release, time.mapToGlobal(release), Qt::LeftButton,
                   Qt::NoButton, Qt::ShiftModifier);
    QApplication::sendEvent(&time, &down);
    QApplication::sendEvent(&time, &move);
    QApplication::sendEvent(&time, &up);
    EXPECT_NEAR(time.xRange().lo, from, 1e-9);
    EXPECT_NEAR(time.xRange().hi, to, 1e-9);
    // The spectrum now averages only those samples: every half-overlapping segment of 4096 in them.
    const auto [begin, end] = time.visibleSamples();
    EXPECT_NEAR(static_cast<double>(end - begin), (to - from) * kRate, 3.0);
    EXPECT_EQ(window->spectrumView().current().segments, 1 + (end - begin - 4096) / 2048);
}

TEST_F(AnalyzerWindowTest, SpectrumCursorReadsTheTonesFrequencyAndTheRbwIsEnbwTimesFsOverN) {
    window->tabs().setCurrentIndex(1);
    SpectrumView& spectrum = window->spectrumView();
    QApplication::processEvents();
    const SpectrumEstimate& e = spectrum.current();
    ASSERT_EQ(e.fftSize, 4096u);
    // Hann: ENBW 1.5 bins.
    EXPECT_NEAR(e.resolutionBandwidthHz, 1.5 * kRate / 4096.0, 1e-9);
    EXPECT_TRUE(window->findChild<QLabel*>(QStringLiteral("spectrumSettings"))
                    ->text()
                    .contains(QStringLiteral("17.58 Hz")));
    const QRect area = plotArea(spectrum.size());
    // The cursor a couple of pixels off the tone.
    const double share = (kToneHz - spectrum.xRange().lo) / spectrum.xRange().span();
    const QPoint cursor(area.left() + static_cast<int>(share * area.width()) + 2,
                        area.center().y());
    const QString readout = spectrum.readoutAt(cursor);
    const QRegularExpressionMatch found =
        QRegularExpression(QStringLiteral("at ([0-9.]+) kHz")).match(readout);
    ASSERT_TRUE(found.hasMatch()) << readout.toStdString();
    const double binHz = kRate / 4096.0;
    EXPECT_NEAR(found.captured(1).toDouble() * 1e3, kToneHz, 0.1 * binHz) << readout.toStdString();
}

TEST_F(AnalyzerWindowTest, ConstellationHasEqualAxesAndPicturesAreSavedWhole) {
    window->tabs().setCurrentIndex(3);
    QApplication::processEvents();
    ConstellationView& constellation = window->constellationView();
    const QRect area = plotArea(constellation.size());
    EXPECT_NEAR(constellation.xRange().span() / area.width(),
                constellation.yRange().span() / area.height(), 1e-12);
    // A foreign recording names no constellation, so no EVM.
    EXPECT_TRUE(constellation.qualityText().contains(QStringLiteral("no EVM")));

    for (const char* name : {"c.png", "c.svg"}) {
        ASSERT_FALSE(window->saveCurrentView(QString::fromStdString(dir.file(name))).has_value());
    }
    const QImage png(QString::fromStdString(dir.file("c.png")));
    EXPECT_EQ(png.size(), constellation.size());
    QFile svg(QString::fromStdString(dir.file("c.svg")));
    ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
    EXPECT_TRUE(svg.readAll().contains("<svg"));
    EXPECT_EQ(testing_support::fileNamesIn(dir.path()),
              (std::vector<std::string>{"c.png", "c.svg", "r.sigmf-data", "r.sigmf-meta"}));
    const auto failure = window->saveCurrentView(QString::fromStdString(dir.file("missing/c.png")));
    ASSERT_TRUE(failure.has_value());
    EXPECT_TRUE(failure->contains(QStringLiteral("missing/c.png")));
}

TEST_F(AnalyzerWindowTest, SpectrogramCursorsReadASymbolRateFromTheirSpacing) {
    window->tabs().setCurrentIndex(2);
    QApplication::processEvents();
    SpectrogramView& spectrogram = window->spectrogramView();
    const QRect area = plotArea(spectrogram.size());
    // Time runs down the whole recording, 0 to 2 s, over the area's height.
    const auto timeAt = [&](int y) { return 2.0 * (y - area.top()) / area.height(); };
    const int rowA = area.top() + 100;
    const int rowB = area.top() + 140;
    for (const auto& [row, modifiers] :
         {std::pair{rowA, Qt::KeyboardModifiers(Qt::ControlModifier)},
          std::pair{rowB, Qt::ControlModifier | Qt::ShiftModifier}}) {
        const QPoint at(area.center().x(), row);
        QMouseEvent click(QEvent::MouseButtonPress, at, spectrogram.mapToGlobal(at), Qt::LeftButton,
                          Qt::LeftButton, modifiers);
        QApplication::sendEvent(&spectrogram, &click);
    }
    spectrogram.setSymbolsBetweenCursors(4);
    const QRegularExpressionMatch rate =
        QRegularExpression(QStringLiteral("4 symbols: ([0-9.]+) Bd"))
            .match(spectrogram.cursorText());
    ASSERT_TRUE(rate.hasMatch()) << spectrogram.cursorText().toStdString();
    EXPECT_NEAR(rate.captured(1).toDouble(), 4.0 / (timeAt(rowB) - timeAt(rowA)), 0.01);
    EXPECT_TRUE(spectrogram.cursorText().contains(QStringLiteral("df = 0.000 Hz")) ||
                spectrogram.cursorText().contains(QStringLiteral("df = 0 Hz")))
        << spectrogram.cursorText().toStdString();
}

// The same samples with and without band annotations: the spectrum differs inside each band of the
// samples shown, where its edges fall by the axis's definition, and nowhere outside them.
TEST(AnalyzerBands, EachBandIsShadedWhereItsEdgesFallAndNowhereElse) {
    TempDir dir;
    constexpr std::size_t kCount = 1 << 14;
    std::vector<float> iq(2 * kCount);
    for (std::size_t n = 0; n < kCount; ++n) {
        const double phase = 2.0 * Pi * 0.1 * static_cast<double>(n);
        iq[2 * n] = static_cast<float>(std::cos(phase));
        iq[2 * n + 1] = static_cast<float>(std::sin(phase));
    }
    for (const char* name : {"bands.sigmf-data", "plain.sigmf-data"}) {
        std::ofstream(dir.file(name), std::ios::binary)
            .write(reinterpret_cast<const char*>(iq.data()), static_cast<std::streamsize>(iq.size() * sizeof(float)));
    }
    // Edges absolute, around a centre of 100 MHz; one annotation has no band and draws none.
    const double bands[][2] = {{-300e3, -200e3}, {-50e3, 50e3}, {250e3, 400e3}};
    std::string annotations;
    for (const auto& b : bands) {
        annotations += "{\"core:sample_start\": 100, \"core:sample_count\": 2000, \"core:freq_lower_edge\": " +
                       std::to_string(1e8 + b[0]) + ", \"core:freq_upper_edge\": " + std::to_string(1e8 + b[1]) +
                       ", \"core:label\": \"QPSK\"},";
    }
    const std::string head =
        R"({"global": {"core:datatype": "cf32_le", "core:sample_rate": 1000000, "core:version": "1.0.0"},
            "captures": [{"core:sample_start": 0, "core:frequency": 100000000}], "annotations": [)";
    // A band after the last sample is of no sample the spectrum shows, and is left out.
    annotations += R"({"core:sample_start": 20000, "core:sample_count": 10, "core:freq_lower_edge": 99550000,
                       "core:freq_upper_edge": 99600000, "core:label": "later"},)";
    std::ofstream(dir.file("bands.sigmf-meta")) << head << annotations << R"({"core:sample_start": 5000}]})";
    std::ofstream(dir.file("plain.sigmf-meta")) << head << "]}";
    QImage images[2];
    QRect area;
    std::size_t shown[2] = {};
    for (int k = 0; k < 2; ++k) {
        auto* w = new AnalyzerWindow(QString::fromStdString(dir.file(k == 0 ? "bands.sigmf-meta" : "plain.sigmf-meta")));
        w->recording().waitForPyramid();
        w->resize(1180, 720);
        w->show();
        w->tabs().setCurrentIndex(1);
        QApplication::processEvents();
        SpectrumView& view = w->spectrumView();
        area = plotArea(view.size());
        shown[k] = view.bandBoxes(area).size();
        view.update();
        images[k] = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
        w->close();
        testing_support::processDeferredDeletes();
    }
    EXPECT_EQ(shown[0], 3u);
    EXPECT_EQ(shown[1], 0u);
    ASSERT_EQ(images[0].size(), images[1].size());
    const auto columnDiffers = [&](int x) {
        for (int y = area.top(); y <= area.bottom(); ++y) {
            if (images[0].pixel(x, y) != images[1].pixel(x, y)) {
                return true;
            }
        }
        return false;
    };
    // The view shows -500 kHz ... 500 kHz over the area's width.
    const auto columnOf = [&](double f) { return area.left() + (f + 500e3) / 1e6 * area.width(); };
    EXPECT_FALSE(columnDiffers(static_cast<int>(columnOf(-425e3))));
    for (const auto& b : bands) {
        const double left = columnOf(b[0]);
        const double right = columnOf(b[1]);
        EXPECT_TRUE(columnDiffers(static_cast<int>((left + right) / 2.0))) << b[0];
        EXPECT_TRUE(columnDiffers(static_cast<int>(left) + 1)) << b[0];
        EXPECT_FALSE(columnDiffers(static_cast<int>(left) - 2)) << b[0];
        EXPECT_FALSE(columnDiffers(static_cast<int>(right) + 2)) << b[1];
    }
}

TEST(AnalyzerOpening, UnreadableRecordingsAreRefusedWithTheirReason) {
    const TempDir dir;
    EXPECT_THROW(AnalyzerWindow(QString::fromStdString(dir.file("none.sigmf-meta"))),
                 std::runtime_error);
    EXPECT_THROW(AnalyzerWindow(QString::fromStdString(dir.str())), std::runtime_error);
}

class AnalyzerFromThePanelTest : public testing_support::SmallRunWindowTest {};

TEST_F(AnalyzerFromThePanelTest, ARunOpensTheAnalyzerOnItsLastFileWhenAsked) {
    const auto analyzers = [] {
        std::vector<AnalyzerWindow*> found;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* a = dynamic_cast<AnalyzerWindow*>(w); a != nullptr && a->isVisible()) {
                found.push_back(a);
            }
        }
        return found;
    };
    EXPECT_EQ(window.findChild<QPushButton*>(QStringLiteral("analyzerButton"))->geometry(),
              QRect(440, 630, 140, 30));
    generate();
    EXPECT_TRUE(analyzers().empty());
    edit(ControlId::FileCount).setText(QStringLiteral("2"));
    window.findChild<QCheckBox*>(QStringLiteral("analyzerAfterRun"))->setChecked(true);
    generate();
    ASSERT_EQ(analyzers().size(), 1u);
    AnalyzerWindow& a = *analyzers()[0];
    EXPECT_EQ(a.recording().recording().metadataPath, folder.file("modulated_signal_2.sigmf-meta"));
    // The run's own recipe: 40 QPSK symbols at 10 samples each; the constellation its 4 points.
    EXPECT_EQ(a.recording().samples().size(), 400u);
    EXPECT_TRUE(a.constellationView().qualityText().startsWith(QStringLiteral("EVM")))
        << a.constellationView().qualityText().toStdString();
    a.close();
    testing_support::processDeferredDeletes();
}

}  // namespace
}  // namespace quorvel
