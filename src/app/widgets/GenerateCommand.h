#pragma once
// What pressing "Generate Signal & Plot" does: close the open viewer, read the panel, run the
// pipeline and open a new viewer on the result, or say why not.

#include "app/ControlPanelReader.h"
#include "synthesis/SignalSynthesizer.h"

namespace quorvel {

struct ApplicationState;
class MessagePresenter;

class GenerateCommand {
  public:
    // Works on state; its message boxes go to messages. Both must outlive the command.
    GenerateCommand(ApplicationState& state, MessagePresenter& messages)
        : state_(state), messages_(messages) {}

    // One press of the button with the panel showing input. Afterwards either a new viewer is
    // open on the new signal, or a box has named the first invalid field (nothing else changed),
    // or a box has said that the pipeline refused (CurrentSignal is then empty).
    void run(const ControlPanelInput& input);

  private:
    void closeViewer();
    void reportFileFailures(const GenerationResult& result);
    void openViewer();

    ApplicationState& state_;
    MessagePresenter& messages_;
};

}  // namespace quorvel
