#include "app/widgets/GenerateCommand.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QProgressDialog>
#include <algorithm>
#include <cstdint>
#include <exception>
#include <string_view>
#include <utility>

#include "analyzer/widgets/AnalyzerWindow.h"
#include "app/ControlTable.h"
#include "app/widgets/AppIcon.h"
#include "app/widgets/ApplicationState.h"
#include "app/widgets/BackgroundRun.h"
#include "app/widgets/MessagePresenter.h"
#include "app/widgets/QtText.h"
#include "app/widgets/WindowPlacement.h"
#include "display/widgets/SignalViewer.h"
#include "synthesis/ProgressEstimate.h"

namespace quorvel {
namespace {

constexpr std::string_view kInformationCaption = "Information";
constexpr std::string_view kGenerationCancelled = "Generation cancelled.";
// A run that ends sooner than this never shows its progress dialog [ms].
constexpr int kProgressDialogDelayMs = 500;
// QProgressDialog counts in int; the run's share done is shown in these steps.
constexpr int kProgressSteps = 1000;

// The window answers while the pipeline runs, but a run is going on; the cursor says both.
class BusyCursor {
  public:
    BusyCursor() { QGuiApplication::setOverrideCursor(Qt::BusyCursor); }
    ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

void prepareProgressDialog(QProgressDialog& dialog, bool hasOwner) {
    dialog.setWindowTitle(toQString(kMainWindow.title));
    dialog.setLabelText(QStringLiteral("Generating the signal..."));
    dialog.setRange(0, kProgressSteps);
    dialog.setWindowModality(hasOwner ? Qt::WindowModal : Qt::ApplicationModal);
    // The run ends when its last file is written, which may be after the bar is full; the
    // command closes the dialog then.
    dialog.setAutoReset(false);
    dialog.setAutoClose(false);
    dialog.setMinimumDuration(kProgressDialogDelayMs);
    dialog.setValue(0);  // starts the delay
}

// The run's share done, which file it is making, and the time left at its recent speed.
void showProgress(QProgressDialog& dialog, const RunProgress& progress, std::int32_t fileCount,
                  ProgressEstimate& estimate, const QElapsedTimer& clock) {
    // Reports still queued when the user cancelled must not bring the dialog back.
    if (dialog.wasCanceled() || progress.samplesTotal == 0) {
        return;
    }
    estimate.report(static_cast<double>(clock.nsecsElapsed()) * 1e-9, progress.samplesDone,
                    progress.samplesTotal);
    const double share =
        static_cast<double>(progress.samplesDone) / static_cast<double>(progress.samplesTotal);
    dialog.setValue(std::clamp(static_cast<int>(share * kProgressSteps), 0, kProgressSteps));
    QString label = QStringLiteral("Generating the signal...");
    if (fileCount >= 2) {
        // Every file of a run holds the same number of samples.
        const auto files = static_cast<std::uint64_t>(fileCount);
        const std::uint64_t perFile = std::max<std::uint64_t>(progress.samplesTotal / files, 1);
        const std::uint64_t file = std::min(progress.samplesDone / perFile + 1, files);
        label = QStringLiteral("Generating file %1 of %2...").arg(file).arg(fileCount);
    }
    const auto left = estimate.secondsLeft();
    label += QStringLiteral("\n") +
             (left ? QStringLiteral("About %1 left").arg(toQString(durationText(*left)))
                   : QStringLiteral("Time left: not known yet"));
    dialog.setLabelText(label);
}

}  // namespace

void GenerateCommand::run(const ControlPanelInput& input) {
    if (activeRun_ != nullptr) {
        return;
    }
    closeViewer();
    const ControlPanelReading reading = readControlPanel(input);
    if (!reading) {
        messages_.present({toQString(message::InputErrorCaption),
                           QString::fromStdString(reading.message),
                           {},
                           MessageIcon::None});
        if (onInputError_) {
            onInputError_(reading.message);
        }
        return;
    }
    const SignalParameters& parameters = *reading.parameters;

    // The old signal is replaced whatever the outcome; letting it go first leaves the run its
    // memory.
    state_.CurrentSignal = SampleBuffer{};
    std::optional<GenerationResult> outcome = generateInBackground(parameters);
    if (!outcome) {
        return;
    }
    GenerationResult& result = *outcome;
    if (result.cancelled) {
        messages_.present({toQString(kInformationCaption),
                           toQString(kGenerationCancelled),
                           {},
                           MessageIcon::Information});
        return;
    }
    if (result.stoppedByDisk || result.stoppedByMemory) {
        // No viewer: the last file was never made. What was kept is what the user needs to know.
        reportFileFailures(result);
        return;
    }
    if (result.refused() || result.signal.empty()) {
        messages_.present({toQString(message::ErrorCaption), toQString(message::GenerationFailed),
                           QString::fromStdString(result.refusal), MessageIcon::Error});
        return;
    }
    state_.CurrentSignal = std::move(result.signal);
    state_.MappedSymbols = std::move(result.mappedSymbols);
    state_.ViewerSampleRate = parameters.samplingRate;
    openViewer();
    reportFileFailures(result);
    if (state_.OpenAnalyzerAfterRun && !result.metadataFiles.empty()) {
        openAnalyzer(QString::fromStdString(result.metadataFiles.back()), dialogOwner_);
    }
}

void GenerateCommand::abandonRun() {
    if (activeRun_ != nullptr) {
        abandoned_ = true;
        activeRun_->cancel();
    }
}

std::optional<GenerationResult> GenerateCommand::generateInBackground(
    const SignalParameters& parameters) {
    QProgressDialog dialog(dialogOwner_);
    prepareProgressDialog(dialog, dialogOwner_ != nullptr);
    QEventLoop loop;
    bool ended = false;
    ProgressEstimate estimate;
    QElapsedTimer clock;
    clock.start();
    BackgroundRun run(
        state_.Synthesizer, parameters,
        [&](const RunProgress& progress) {
            showProgress(dialog, progress, parameters.fileCount, estimate, clock);
        },
        [&] {
            ended = true;
            loop.quit();
        });
    QObject::connect(&dialog, &QProgressDialog::canceled, &loop, [&run] { run.cancel(); });
    activeRun_ = &run;
    abandoned_ = false;
    {
        const BusyCursor busy;
        loop.exec();
    }
    // exec also returns when the application quits: nobody is left to see the run's outcome.
    if (!ended) {
        abandonRun();
    }
    activeRun_ = nullptr;
    GenerationResult result = run.finish();
    if (abandoned_) {
        return std::nullopt;
    }
    return result;
}

void GenerateCommand::closeViewer() {
    // Deleting at once (not deleteLater) so that no old viewer is left when the command ends.
    delete state_.ViewerWindow.data();
}

void GenerateCommand::openViewer() {
    try {
        auto* viewer = new SignalViewer({state_.CurrentSignal, state_.MappedSymbols,
                                         state_.ViewerSampleRate, state_.ShowSampledData},
                                        state_.ViewerSpectrum);
        viewer->setWindowIcon(applicationIcon());
        if (dialogOwner_ != nullptr) {
            placeBeside(*viewer, *dialogOwner_);
        }
        state_.ViewerWindow = viewer;
        viewer->show();
    } catch (const std::exception& e) {
        messages_.present({toQString(message::ErrorCaption),
                           QStringLiteral("The viewer could not be opened."),
                           QString::fromStdString(e.what()), MessageIcon::Error});
    }
}

void GenerateCommand::reportFileFailures(const GenerationResult& result) {
    if (result.fileFailures.empty()) {
        return;
    }
    QString detail;
    for (const FileWriteFailure& failure : result.fileFailures) {
        detail += QString::fromStdString(failure.path) + QStringLiteral(": ") +
                  QString::fromStdString(failure.reason) + QLatin1Char('\n');
    }
    if (result.unlistedFailures > 0) {
        detail += QStringLiteral("... and %1 more\n").arg(result.unlistedFailures);
    }
    if (result.stoppedByDisk || result.stoppedByMemory) {
        detail += result.stoppedByMemory
                      ? QStringLiteral("Memory ran out, so the run stopped. Kept:\n")
                      : QStringLiteral("The disk is full or a file-size limit was reached, so the run stopped. Kept:\n");
        for (const std::string& path : result.writtenFiles) {
            detail += QString::fromStdString(path) + QLatin1Char('\n');
        }
    }
    detail.chop(1);
    messages_.present({QStringLiteral("Warning"),
                       QStringLiteral("Some sample files could not be written."), detail,
                       MessageIcon::Warning});
}

}  // namespace quorvel
