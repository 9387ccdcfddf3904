// Saves pictures of the main window, of the viewer after a run with the default settings, of
// the transmitter dialog, of the impairments dialog with example values, of the waveform dialog
// for chirp spread spectrum and for OFDM, and of each view of the analyzer on a seeded recording of
// RRC-shaped 16-QAM with phase noise, and of the analyzer on a wideband scene made by "Make Scene...":
//   quorvel-screenshots <output folder>
// Runs on the offscreen platform; the run's sample file goes to a temporary folder.

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>
#include <cstdio>
#include <fstream>

#include <QTabWidget>
#include "analyzer/AnalyzedRecording.h"
#include "analyzer/widgets/AnalyzerWindow.h"
#include "analyzer/widgets/TimeView.h"
#include "app/widgets/AppIcon.h"
#include "app/widgets/ApplicationState.h"
#include "app/widgets/ImpairmentsDialog.h"
#include "app/widgets/MainWindow.h"
#include "app/widgets/TransmitterDialog.h"
#include "app/widgets/WaveformDialog.h"
#include "display/widgets/SignalViewer.h"
#include "modulation/SchemeCatalog.h"
#include "gui/support/GuiTestSupport.h"
#include "synthesis/SignalSynthesizer.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: quorvel-screenshots <output folder>\n");
        return 2;
    }
    const QDir output(QDir(QString::fromLocal8Bit(argv[1])).absolutePath());
    QTemporaryDir runFolder;
    if (!output.mkpath(QStringLiteral(".")) || !runFolder.isValid() ||
        !QDir::setCurrent(runFolder.path())) {
        std::fprintf(stderr, "cannot prepare the folders\n");
        return 1;
    }
    QApplication::setWindowIcon(quorvel::applicationIcon());
    quorvel::testing_support::RecordingPresenter messages;
    quorvel::ApplicationState state;
    quorvel::MainWindow window(state, &messages);
    window.show();
    quorvel::testing_support::findControl<QPushButton>(window, 116)->click();
    if (!messages.shown.empty() || !state.ViewerWindow) {
        std::fprintf(stderr, "the default run did not open the viewer\n");
        return 1;
    }
    quorvel::TransmitterInput shaped;
    shaped.pulseIndex = 1;  // root raised cosine
    quorvel::TransmitterDialog transmitter(shaped, &window);
    transmitter.show();
    quorvel::ImpairmentTexts example;
    example.amplifier = "rapp:2,0.8";
    example.multipath = "0:0:0 3.5:-6:90";
    example.fading = "rician:4";
    example.doppler = "20";
    example.phaseNoise = "-80@1000";
    quorvel::ImpairmentsDialog impairments(example, &window);
    impairments.show();
    // A family with parameters of its own: chirp spread spectrum, one value typed in.
    quorvel::WaveformInput chirps;
    chirps.values["spreading_factor"] = u"9";
    quorvel::WaveformDialog waveform(*quorvel::findScheme(quorvel::ModulationType::Chirpss), chirps, &window);
    // OFDM's dialog, its subcarriers a word among numbers.
    quorvel::WaveformInput ofdm;
    ofdm.values["subcarriers"] = u"qam:16";
    ofdm.values["fft_size"] = u"256";
    quorvel::WaveformDialog ofdmWaveform(*quorvel::findScheme(quorvel::ModulationType::Ofdm), ofdm, &window);
    ofdmWaveform.show();
    waveform.show();
    // An analog family: its message and sideband beside its own numbers.
    quorvel::WaveformInput analog;
    analog.message = u"tone:1000,2500";
    analog.lowerSideband = true;
    quorvel::WaveformDialog analogWaveform(*quorvel::findScheme(quorvel::ModulationType::AmSsb), analog, &window);
    analogWaveform.show();
    const bool saved =
        waveform.grab().save(output.filePath(QStringLiteral("waveform-dialog.png"))) &&
        analogWaveform.grab().save(output.filePath(QStringLiteral("waveform-dialog-analog.png"))) &&
        transmitter.grab().save(output.filePath(QStringLiteral("transmitter-dialog.png"))) &&
        window.grab().save(output.filePath(QStringLiteral("main-window.png"))) &&
        state.ViewerWindow->grab().save(output.filePath(QStringLiteral("signal-viewer.png"))) &&
        impairments.grab().save(output.filePath(QStringLiteral("impairments-dialog.png"))) &&
        ofdmWaveform.grab().save(output.filePath(QStringLiteral("waveform-dialog-ofdm.png"))) &&
        quorvel::applicationIconPixmap(4).save(output.filePath(QStringLiteral("icon.png")));
    if (!saved) {
        return 1;
    }
    // The window with OFDM chosen: the waveform button live, the order lists off.
    auto* modulation = quorvel::testing_support::findControl<QComboBox>(
        window, static_cast<int>(quorvel::ControlId::ModulationType));
    const auto schemes = quorvel::schemeCatalog();
    for (std::size_t k = 0; k < schemes.size(); ++k) {
        if (schemes[k].type == quorvel::ModulationType::Ofdm) {
            modulation->setCurrentIndex(static_cast<int>(k));
        }
    }
    if (!window.grab().save(output.filePath(QStringLiteral("main-window-ofdm.png")))) {
        return 1;
    }
    // The analyzer on a recording of its own, made in the run folder.
    quorvel::SignalParameters p;
    p.modulationType = quorvel::ModulationType::Qam;
    p.pskOrder = 0;
    p.qamOrder = 16;
    p.symbolCount = 20000;
    p.samplingRate = 8000.0;
    p.snrDb = 28.0;
    p.outputFormat = quorvel::OutputFormat::Cf32;
    p.savePath = runFolder.path().toStdString();
    p.transmitter.pulse = quorvel::PulseShape::RootRaisedCosine;
    p.impairments.phaseNoise = quorvel::PhaseNoise{-95.0, 100.0};
    if (quorvel::SignalSynthesizer::seeded(7).generateSignal(p).refused()) {
        std::fprintf(stderr, "the analyzer's recording was refused\n");
        return 1;
    }
    auto* analyzer = new quorvel::AnalyzerWindow(
        runFolder.filePath(QStringLiteral("modulated_signal_1.sigmf-meta")));
    analyzer->recording().waitForPyramid();
    analyzer->resize(1180, 680);
    analyzer->show();
    const char* names[] = {"analyzer-time.png", "analyzer-spectrum.png", "analyzer-spectrogram.png",
                           "analyzer-constellation.png", "analyzer-eye.png"};
    // The time view last, zoomed in to 60 symbols: the other views show what it shows.
    for (const int tab : {1, 2, 3, 4, 0}) {
        if (tab == 0) {
            analyzer->timeView().showSamples(8000, 8480);
        }
        analyzer->tabs().setCurrentIndex(tab);
        QApplication::processEvents();
        if (!analyzer->grab().save(output.filePath(QString::fromUtf8(names[tab])))) {
            return 1;
        }
    }
    analyzer->close();
    // A wideband scene: several emitters, some in bursts, each a band on the spectrum.
    std::ofstream(runFolder.filePath(QStringLiteral("scene.json")).toStdString()) << R"({"seed": 3, "samples_per_capture": 65536,
        "scene": {"sampling_rate": 1e7, "captures": 8, "emitters": {"min": 4, "max": 5},
                  "bandwidth": {"min": 0.04, "max": 0.12}, "snr_db": {"min": 15, "max": 30},
                  "burst_probability": 0.4, "burst_length": {"min": 0.3, "max": 0.7}},
        "classes": [{"label": "QPSK", "modulation": "psk", "order": 4, "pulse": "rrc", "samples_per_symbol": 4},
                    {"label": "GMSK", "modulation": "gmsk", "samples_per_symbol": 4},
                    {"label": "16QAM", "modulation": "qam", "order": 16, "pulse": "rrc", "samples_per_symbol": 4}]})";
    if (!window.makeScene(runFolder.filePath(QStringLiteral("scene.json")), 1)) {
        std::fprintf(stderr, "the scene was not made\n");
        return 1;
    }
    quorvel::AnalyzerWindow* scene = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* a = dynamic_cast<quorvel::AnalyzerWindow*>(w); a != nullptr && a->isVisible()) {
            scene = a;
        }
    }
    if (scene == nullptr) {
        std::fprintf(stderr, "the scene's analyzer did not open\n");
        return 1;
    }
    scene->recording().waitForPyramid();
    scene->resize(1180, 680);
    const char* sceneNames[] = {"analyzer-scene-time.png", "analyzer-scene-spectrum.png",
                                "analyzer-scene-spectrogram.png"};
    for (const int tab : {0, 1, 2}) {
        scene->tabs().setCurrentIndex(tab);
        QApplication::processEvents();
        if (!scene->grab().save(output.filePath(QString::fromUtf8(sceneNames[tab])))) {
            return 1;
        }
    }
    scene->close();
    return 0;
}
