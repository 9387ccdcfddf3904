#include "app/widgets/GenerateCommand.h"

#include <QGuiApplication>
#include <exception>
#include <string_view>
#include <utility>

#include "app/ControlTable.h"
#include "app/widgets/ApplicationState.h"
#include "app/widgets/Latin1Text.h"
#include "app/widgets/MessagePresenter.h"
#include "app/widgets/QtText.h"
#include "display/widgets/SignalViewer.h"

namespace quorvel {
namespace {

// The pipeline runs on this thread and the window does not answer meanwhile; the cursor says so.
class WaitCursor {
  public:
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

// A run that cannot get its memory is a refusal like any other, not the end of the program.
GenerationResult runPipeline(const SignalSynthesizer& synthesizer, const SignalParameters& p) {
    const WaitCursor wait;
    try {
        return synthesizer.generateSignal(p);
    } catch (const std::exception& e) {
        GenerationResult failed;
        failed.refusal = e.what();
        return failed;
    }
}

}  // namespace

void GenerateCommand::run(const ControlPanelInput& input) {
    closeViewer();
    const ControlPanelReading reading = readControlPanel(input);
    if (!reading) {
        messages_.present({toQString(message::InputErrorCaption),
                           QString::fromStdString(reading.message),
                           {},
                           MessageIcon::None});
        return;
    }
    SignalParameters parameters = *reading.parameters;
    parameters.savePath = latin1ToUtf8(parameters.savePath);

    // The old signal is replaced whatever the outcome; letting it go first leaves the run its
    // memory.
    state_.CurrentSignal = SampleBuffer{};
    GenerationResult result = runPipeline(state_.Synthesizer, parameters);
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
}

void GenerateCommand::closeViewer() {
    // Deleting at once (not deleteLater) so that no old viewer is left when the command ends.
    delete state_.ViewerWindow.data();
}

void GenerateCommand::openViewer() {
    try {
        auto* viewer = new SignalViewer(state_);
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
    detail.chop(1);
    messages_.present({QStringLiteral("Warning"),
                       QStringLiteral("Some sample files could not be written."), detail,
                       MessageIcon::Warning});
}

}  // namespace quorvel
