#pragma once
// SIGINT, SIGTERM and SIGHUP during a run: the handler only records the signal, and the run
// stops at its next block through the engine's cancel flag.

#include <atomic>

namespace quorvel {

// Set by the first of the three signals to arrive; read by the run as its cancel flag.
struct InterruptState {
    std::atomic<bool> requested{false};
    std::atomic<int> signal{0};
};

// Installs the handlers (once per process). A second signal of the same kind ends the process
// at once, as if no handler were installed.
const InterruptState& installInterruptHandlers();

}  // namespace quorvel
