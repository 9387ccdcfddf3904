#pragma once
// What pressing "Generate Signal & Plot" does: close the open viewer, read the panel, run the
// pipeline and open a new viewer on the result, or say why not.

#include <functional>
#include <optional>
#include <string>

#include "app/ControlPanelReader.h"
#include "synthesis/SignalSynthesizer.h"

class QWidget;

namespace quorvel {

struct ApplicationState;
class BackgroundRun;
class MessagePresenter;

class GenerateCommand {
  public:
    // Works on state; its message boxes go to messages, its progress dialog is modal to
    // dialogOwner (to the whole application when null) and its viewer opens beside dialogOwner's
    // window (where the system puts it when null). All must outlive the command.
    GenerateCommand(ApplicationState& state, MessagePresenter& messages,
                    QWidget* dialogOwner = nullptr)
        : state_(state), messages_(messages), dialogOwner_(dialogOwner) {}

    // One press of the button with the panel showing input; returns once the run has ended. The
    // pipeline runs on a thread of its own while the interface goes on answering, with a progress
    // dialog when the run takes a while. Afterwards either a new viewer is open on the new signal,
    // or a box has named the first invalid field (nothing else changed), or a box has said that
    // the pipeline refused or that the user cancelled (CurrentSignal is then empty; a cancelled
    // run keeps the files it finished). A press while a run goes on is ignored.
    void run(const ControlPanelInput& input);

    // Stops a run that is going on, without a word to the user, who is closing its window: run()
    // then returns as soon as the run's thread has ended, with no box and no viewer.
    void abandonRun();

    // Called with the message after its "Input Error" box, so that the window can put the focus
    // where the message points.
    void setOnInputError(std::function<void(const std::string& message)> handler) {
        onInputError_ = std::move(handler);
    }

  private:
    // The run's result, or nothing when it was abandoned.
    std::optional<GenerationResult> generateInBackground(const SignalParameters& parameters);
    void closeViewer();
    void reportFileFailures(const GenerationResult& result);
    void openViewer();

    ApplicationState& state_;
    MessagePresenter& messages_;
    QWidget* dialogOwner_;
    BackgroundRun* activeRun_ = nullptr;  // while run() waits for one
    bool abandoned_ = false;
    std::function<void(const std::string&)> onInputError_;
};

}  // namespace quorvel
