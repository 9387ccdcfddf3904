#include "app/widgets/ApplicationState.h"

#include <utility>

#include "display/widgets/SignalViewer.h"

namespace quorvel {

ApplicationState::ApplicationState(SeedSource seeds) : Synthesizer(std::move(seeds)) {}

ApplicationState::~ApplicationState() {
    delete ViewerWindow.data();
}

}  // namespace quorvel
