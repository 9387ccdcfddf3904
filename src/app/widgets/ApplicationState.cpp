#include "app/widgets/ApplicationState.h"

#include <utility>

namespace quorvel {

ApplicationState::ApplicationState(SeedSource seeds) : Synthesizer(std::move(seeds)) {}

ApplicationState::~ApplicationState() {
    delete ViewerWindow.data();
}

}  // namespace quorvel
