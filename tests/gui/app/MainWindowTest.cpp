// The main window at work: the enable rule and the radii text, the check box, and the generate
// button from typed fields to message boxes or a new viewer, and the window while a run goes on.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <array>
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/widgets/ApplicationState.h"
#include "app/widgets/MainWindow.h"
#include "display/PlotGeometry.h"
#include "display/Spectrum.h"
#include "display/widgets/SignalViewer.h"
#include "gui/support/GuiTestSupport.h"
#include "gui/support/LongRuns.h"
#include "gui/support/SmallRunWindow.h"
#include "support/SameBytes.h"
#include "support/TempDir.h"

namespace quorvel {
namespace {

using testing_support::drawEveryDot;
using testing_support::drawEveryPoint;
using testing_support::findControl;
using testing_support::processDeferredDeletes;
using testing_support::RecordingPresenter;
using testing_support::sameValues;
using testing_support::TempDir;

class MainWindowTest : public testing_support::SmallRunWindowTest {
  protected:
    QCheckBox& checkBox() { return *findControl<QCheckBox>(window, 117); }
    QPushButton& button() { return *findControl<QPushButton>(window, 116); }
    void setLongRun() {
        edit(ControlId::SymbolCount)
            .setText(QString::fromStdU16String(testing_support::kLongRunSymbolsText));
        edit(ControlId::FileCount)
            .setText(QString::fromStdU16String(testing_support::kLongRunFilesText));
    }

    std::array<bool, 5> orderControlsEnabled() {
        return {list(ControlId::PskOrder).isEnabled(), list(ControlId::FskOrder).isEnabled(),
                list(ControlId::QamOrder).isEnabled(), list(ControlId::ApskOrder).isEnabled(),
                edit(ControlId::ApskRadii).isEnabled()};
    }
};

TEST_F(MainWindowTest, EachModulationTypeEnablesOnlyItsOwnOrderControls) {
    struct Case {
        int index;
        std::array<bool, 5> enabled;  // PSK, FSK, QAM, APSK list, radii field
    };
    const Case cases[] = {
        {0, {true, false, false, false, false}},  {1, {false, false, false, false, false}},
        {2, {false, false, false, false, false}}, {3, {false, true, false, false, false}},
        {4, {false, false, false, false, false}}, {5, {false, false, false, false, false}},
        {6, {false, false, true, false, false}},  {7, {false, false, false, true, true}},
        {0, {true, false, false, false, false}},
    };
    for (const Case& c : cases) {
        list(ControlId::ModulationType).setCurrentIndex(c.index);
        EXPECT_EQ(orderControlsEnabled(), c.enabled) << "modulation index " << c.index;
    }
}

TEST_F(MainWindowTest, ChoosingApskPutsTheDefaultRadiiOfTheSelectedOrder) {
    list(ControlId::ModulationType).setCurrentIndex(7);
    EXPECT_EQ(edit(ControlId::ApskRadii).text(), QStringLiteral("0.5 1.5"));
    const char* const defaults[] = {"0.5 1.5", "0.3 0.7 1.2", "0.8 1.2 2.0 2.5", "0.5 1.5"};
    int index = 0;
    for (const char* expected : defaults) {
        list(ControlId::ApskOrder).setCurrentIndex(index++ % 3);
        EXPECT_EQ(edit(ControlId::ApskRadii).text(), QString::fromLatin1(expected));
    }
}

TEST_F(MainWindowTest, LeavingApskKeepsTypedRadiiAndComingBackOverwritesThem) {
    list(ControlId::ModulationType).setCurrentIndex(7);
    list(ControlId::ApskOrder).setCurrentIndex(2);
    edit(ControlId::ApskRadii).setText(QStringLiteral("1 2 3 4"));
    for (const int other : {0, 1, 2, 3, 4, 5, 6}) {
        list(ControlId::ModulationType).setCurrentIndex(other);
        EXPECT_EQ(edit(ControlId::ApskRadii).text(), QStringLiteral("1 2 3 4"));
        EXPECT_EQ(list(ControlId::ApskOrder).currentIndex(), 2);
    }
    list(ControlId::ModulationType).setCurrentIndex(7);
    EXPECT_EQ(edit(ControlId::ApskRadii).text(), QStringLiteral("0.8 1.2 2.0 2.5"));
}

TEST_F(MainWindowTest, SchemesWithoutOrderLeaveSelectionsAndRadiiAsTheyWere) {
    list(ControlId::PskOrder).setCurrentIndex(3);
    list(ControlId::QamOrder).setCurrentIndex(4);
    for (const int index : {1, 2, 4, 5}) {
        list(ControlId::ModulationType).setCurrentIndex(index);
        EXPECT_EQ(list(ControlId::PskOrder).currentIndex(), 3);
        EXPECT_EQ(list(ControlId::QamOrder).currentIndex(), 4);
        EXPECT_EQ(edit(ControlId::ApskRadii).text(), QStringLiteral("0.3 0.7 1.2"));
    }
}

TEST_F(MainWindowTest, CheckBoxWithoutViewerOnlyChangesTheState) {
    checkBox().setChecked(true);
    EXPECT_TRUE(state.ShowSampledData);
    generate();
    ASSERT_TRUE(state.ViewerWindow);
    // The new viewer's constellation shows the final signal from its first paint.
    const QImage shown = testing_support::grabInside(state.ViewerWindow->constellationCanvas());
    EXPECT_EQ(shown,
              drawEveryDot(computeConstellationPlot(state.CurrentSignal, 413, 248), 413, 248));
    checkBox().setChecked(false);
    EXPECT_FALSE(state.ShowSampledData);
}

TEST_F(MainWindowTest, CheckBoxRepaintsTheOpenConstellationAtOnce) {
    generate();
    ASSERT_TRUE(state.ViewerWindow);
    PlotCanvas& constellation = state.ViewerWindow->constellationCanvas();
    PlotCanvas& time = state.ViewerWindow->timeCanvas();
    testing_support::grabInside(constellation);
    const QImage timeBefore = time.plotImage();
    const QImage mapped =
        drawEveryDot(computeConstellationPlot(state.MappedSymbols, 413, 248), 413, 248);
    const QImage sampled =
        drawEveryDot(computeConstellationPlot(state.CurrentSignal, 413, 248), 413, 248);
    ASSERT_NE(mapped, sampled);
    EXPECT_EQ(constellation.plotImage(), mapped);

    // No event is processed in between: the repaint happens inside the toggle.
    checkBox().setChecked(true);
    EXPECT_EQ(constellation.plotImage(), sampled);
    checkBox().setChecked(false);
    EXPECT_EQ(constellation.plotImage(), mapped);
    EXPECT_EQ(time.plotImage(), timeBefore);
}

TEST_F(MainWindowTest, ClosingTheViewerClearsItsHandleAndTheCheckBoxStillWorks) {
    generate();
    ASSERT_TRUE(state.ViewerWindow);
    state.ViewerWindow->close();
    processDeferredDeletes();
    EXPECT_FALSE(state.ViewerWindow);
    checkBox().setChecked(true);
    EXPECT_TRUE(state.ShowSampledData);
}

TEST_F(MainWindowTest, InvalidFieldsAreReportedOneAtATimeInReadingOrder) {
    struct Case {
        ControlId field;
        const char16_t* invalid;
        const char* message;
    };
    const Case cases[] = {
        {ControlId::SymbolRate, u"1000 ", "Invalid Symbol Rate."},
        {ControlId::SamplingRate, u"1e999", "Invalid Sampling Rate."},
        {ControlId::SymbolCount, u"1e4", "Invalid Number of Symbols."},
        {ControlId::SnrDb, u"", "Invalid SNR."},
        {ControlId::MixingFrequency, u"abc", "Invalid Mixing Freq."},
        {ControlId::TimingError, u"   ", "Invalid Timing Error."},
        {ControlId::FrequencyOffset, u"1,5", "Invalid Freq Offset."},
        {ControlId::FileCount, u"2147483648", "Invalid File Count."},
    };
    std::vector<QString> valid;
    for (const Case& c : cases) {
        valid.push_back(edit(c.field).text());
        edit(c.field).setText(QString::fromUtf16(c.invalid));
    }
    // The radii and the save path are never checked here.
    edit(ControlId::ApskRadii).setText(QStringLiteral("not radii"));
    for (std::size_t k = 0; k < std::size(cases); ++k) {
        messages.shown.clear();
        generate();
        ASSERT_EQ(messages.shown.size(), 1U);
        EXPECT_EQ(messages.shown[0], (MessageBoxText{QStringLiteral("Input Error"),
                                                     QString::fromLatin1(cases[k].message),
                                                     {},
                                                     MessageIcon::None}));
        EXPECT_FALSE(state.ViewerWindow);
        EXPECT_TRUE(state.CurrentSignal.empty());
        edit(cases[k].field).setText(valid[k]);
    }
    messages.shown.clear();
    generate();
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(state.ViewerWindow);
}

TEST_F(MainWindowTest, OnlyTheFirst255CharactersOfAFieldAreRead) {
    // 251 blanks and "1000" fill the 255 characters read; the "x" after them is never seen.
    edit(ControlId::SymbolRate).setText(QString(251, QLatin1Char(' ')) + QStringLiteral("1000x"));
    generate();
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(state.ViewerWindow);
    edit(ControlId::SymbolRate).setText(QString(250, QLatin1Char(' ')) + QStringLiteral("1000x"));
    generate();
    ASSERT_EQ(messages.shown.size(), 1U);
    EXPECT_EQ(messages.shown[0].text, QStringLiteral("Invalid Symbol Rate."));
}

TEST_F(MainWindowTest, InputErrorClosesTheViewerAndKeepsTheSignal) {
    generate();
    ASSERT_TRUE(state.ViewerWindow);
    const SampleBuffer signal = state.CurrentSignal;
    const SampleBuffer mapped = state.MappedSymbols;
    edit(ControlId::SnrDb).setText(QStringLiteral("thirty"));
    edit(ControlId::SamplingRate).setText(QStringLiteral("20000"));
    generate();
    EXPECT_FALSE(state.ViewerWindow);
    EXPECT_TRUE(sameValues(state.CurrentSignal, signal));
    EXPECT_TRUE(sameValues(state.MappedSymbols, mapped));
    EXPECT_EQ(state.ViewerSampleRate, 10000.0);
}

TEST_F(MainWindowTest, RefusedRunShowsTheErrorBoxWithItsReason) {
    generate();
    const SampleBuffer mapped = state.MappedSymbols;
    ASSERT_FALSE(mapped.empty());
    edit(ControlId::TimingError).setText(QStringLiteral("1.5"));
    edit(ControlId::SamplingRate).setText(QStringLiteral("20000"));
    generate();
    ASSERT_EQ(messages.shown.size(), 1U);
    EXPECT_EQ(messages.shown[0].caption, QStringLiteral("Error"));
    EXPECT_EQ(messages.shown[0].text, QStringLiteral("Signal generation failed."));
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Error);
    EXPECT_FALSE(messages.shown[0].detail.isEmpty());
    EXPECT_FALSE(state.ViewerWindow);
    EXPECT_TRUE(state.CurrentSignal.empty());
    EXPECT_TRUE(sameValues(state.MappedSymbols, mapped));
    EXPECT_EQ(state.ViewerSampleRate, 10000.0);
}

TEST_F(MainWindowTest, RadiiAreReadForApskOnly) {
    // Three radii for the two rings of 16-APSK: the pipeline refuses them, but only for APSK.
    edit(ControlId::ApskRadii).setText(QStringLiteral("1 2 3"));
    generate();
    EXPECT_TRUE(messages.shown.empty()) << "PSK ignores the radii field";
    list(ControlId::ModulationType).setCurrentIndex(7);
    edit(ControlId::ApskRadii).setText(QStringLiteral("1 2 3"));
    generate();
    ASSERT_EQ(messages.shown.size(), 1U);
    EXPECT_EQ(messages.shown[0].text, QStringLiteral("Signal generation failed."));
}

TEST_F(MainWindowTest, GoodRunSetsTheRateAndOpensTheViewer) {
    edit(ControlId::SamplingRate).setText(QStringLiteral("8000"));
    edit(ControlId::SymbolCount).setText(QStringLiteral("25"));
    generate();
    EXPECT_TRUE(messages.shown.empty());
    ASSERT_TRUE(state.ViewerWindow);
    EXPECT_TRUE(state.ViewerWindow->isVisible());
    EXPECT_EQ(state.ViewerSampleRate, 8000.0);
    EXPECT_EQ(state.CurrentSignal.size(), 200U);  // 25 symbols at 8 samples each
    EXPECT_EQ(state.MappedSymbols.size(), 25U);
}

TEST_F(MainWindowTest, OutputFormatListChoosesTheFilesAndTheMetadataRecordsNoSeed) {
    const std::pair<int, std::vector<std::string>> cases[] = {
        {0, {"modulated_signal_1.csv", "modulated_signal_1.sigmf-meta"}},
        {1, {"modulated_signal_1.sigmf-data", "modulated_signal_1.sigmf-meta"}},
        {2, {"modulated_signal_1.csv", "modulated_signal_1.sigmf-data", "modulated_signal_1.sigmf-meta"}},
    };
    for (const auto& [index, names] : cases) {
        SCOPED_TRACE(index);
        TempDir run;
        edit(ControlId::SavePath).setText(QString::fromStdString(run.str()));
        list(ControlId::OutputFormat).setCurrentIndex(index);
        generate();
        EXPECT_TRUE(messages.shown.empty());
        std::vector<std::string> found;
        for (const auto& entry : std::filesystem::directory_iterator(run.path())) {
            found.push_back(entry.path().filename().string());
        }
        std::sort(found.begin(), found.end());
        EXPECT_EQ(found, names);
        // The desktop program draws its seeds from the system, so it cannot promise a remake.
        const std::string meta = testing_support::readBytes(run.file("modulated_signal_1.sigmf-meta"));
        EXPECT_NE(meta.find("\"quorvel:file_number\": 1"), std::string::npos);
        EXPECT_EQ(meta.find("quorvel:seed"), std::string::npos);
    }
}

TEST_F(MainWindowTest, GoodRunShowsTheCoreGeometryOnAllThreeCanvases) {
    generate();
    ASSERT_TRUE(state.ViewerWindow);
    const QImage time = testing_support::grabInside(state.ViewerWindow->timeCanvas());
    const QImage spectrum = testing_support::grabInside(state.ViewerWindow->spectrumCanvas());
    const QImage constellation =
        testing_support::grabInside(state.ViewerWindow->constellationCanvas());

    const auto timePoints = computeTimePlot(state.CurrentSignal, 858, 248);
    std::vector<double> frequencies;
    std::vector<double> levels;
    computeSpectrum(state.CurrentSignal, state.ViewerSampleRate, frequencies, levels);
    const auto spectrumPoints = computeSpectrumPlot(frequencies, levels, 413, 248);
    const auto dots = computeConstellationPlot(state.MappedSymbols, 413, 248);
    // Every point but the last starts a segment, so it is drawn wherever it lies inside.
    const auto inside = [](const QImage& image, PixelPoint p) {
        return p.x >= 0 && p.y >= 0 && p.x < image.width() && p.y < image.height();
    };
    for (std::size_t k = 0; k + 1 < timePoints.size(); ++k) {
        if (inside(time, timePoints[k])) {
            ASSERT_EQ(time.pixel(timePoints[k].x, timePoints[k].y), qRgb(0, 0, 255)) << k;
        }
    }
    for (std::size_t k = 0; k + 1 < spectrumPoints.size(); ++k) {
        if (inside(spectrum, spectrumPoints[k])) {
            ASSERT_EQ(spectrum.pixel(spectrumPoints[k].x, spectrumPoints[k].y), qRgb(255, 0, 0))
                << k;
        }
    }
    // QPSK: four dots, each with its blue centre.
    for (const DotBox& box : dots) {
        ASSERT_EQ(constellation.pixel(box.left + 1, box.top + 1), qRgb(0, 0, 255));
        ASSERT_EQ(constellation.pixel(box.left + 1, box.top), qRgb(0, 0, 0));
    }
    EXPECT_EQ(time, drawEveryPoint(timePoints, 858, 248, kTimeLineColour));
    EXPECT_EQ(spectrum, drawEveryPoint(spectrumPoints, 413, 248, kSpectrumLineColour));
    EXPECT_EQ(constellation, drawEveryDot(dots, 413, 248));
}

TEST_F(MainWindowTest, SecondGenerateReplacesTheViewer) {
    generate();
    const QPointer<SignalViewer> first = state.ViewerWindow;
    ASSERT_TRUE(first);
    const SampleBuffer firstSignal = state.CurrentSignal;
    generate();
    EXPECT_FALSE(first) << "the first viewer is destroyed before the second opens";
    ASSERT_TRUE(state.ViewerWindow);
    EXPECT_FALSE(sameValues(state.CurrentSignal, firstSignal));
    const QWidgetList windows = QApplication::topLevelWidgets();
    EXPECT_EQ(std::count_if(windows.begin(), windows.end(),
                            [](const QWidget* w) { return dynamic_cast<const SignalViewer*>(w); }),
              1);
}

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
  public:
    bool eventFilter(QObject*, QEvent* event) override {
        paints += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
    int paints = 0;
};

TEST_F(MainWindowTest, WhileARunGoesOnTheWindowRepaintsTheButtonIsOffAndTheDialogIsModalToIt) {
    setLongRun();
    PaintCounter counter;
    window.installEventFilter(&counter);
    std::optional<bool> buttonEnabledDuringRun;
    bool repaintedDuringRun = false;
    const QWidget* dialogOwner = nullptr;
    Qt::WindowModality dialogModality = Qt::NonModal;
    // The run ends when both have been seen, however slowly the machine gets there; the deadline
    // only keeps a broken build from hanging the suite.
    const QDeadlineTimer hangGuard(std::chrono::minutes(2));
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        if (!buttonEnabledDuringRun) {
            buttonEnabledDuringRun = button().isEnabled();
            counter.paints = 0;
        }
        repaintedDuringRun = repaintedDuringRun || counter.paints > 0;
        if (!repaintedDuringRun) {
            window.update();
        }
        if (const QProgressDialog* dialog = testing_support::visibleProgressDialog()) {
            dialogOwner = dialog->parentWidget();
            dialogModality = dialog->windowModality();
        }
        if ((dialogOwner != nullptr && repaintedDuringRun) || hangGuard.hasExpired()) {
            ticker.stop();
            window.close();  // the quick way to end the run
        }
    });
    ticker.start(20);
    generate();
    EXPECT_EQ(buttonEnabledDuringRun, false);
    EXPECT_TRUE(repaintedDuringRun);
    EXPECT_EQ(dialogOwner, &window);
    EXPECT_EQ(dialogModality, Qt::WindowModal);
    EXPECT_TRUE(button().isEnabled());
}

TEST_F(MainWindowTest, ClosingTheWindowStopsTheRunWithoutABox) {
    setLongRun();
    QTimer::singleShot(50, &window, [this] { window.close(); });
    generate();
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_FALSE(state.ViewerWindow);
    EXPECT_TRUE(state.CurrentSignal.empty());
    EXPECT_LT(testing_support::expectOnlyWholeFiles(folder.path(),
                                                    testing_support::kLongRunSamplesPerFile),
              testing_support::kLongRunFiles);
}

}  // namespace
}  // namespace quorvel
