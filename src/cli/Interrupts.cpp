#include "cli/Interrupts.h"

#include <signal.h>

namespace quorvel {
namespace {

// Only lock-free atomics may be touched from a signal handler.
static_assert(std::atomic<bool>::is_always_lock_free);
static_assert(std::atomic<int>::is_always_lock_free);

InterruptState state;

extern "C" void recordInterrupt(int number) {
    state.signal.store(number, std::memory_order_relaxed);
    state.requested.store(true, std::memory_order_release);
}

}  // namespace

const InterruptState& installInterruptHandlers() {
    struct sigaction action {};
    action.sa_handler = recordInterrupt;
    sigemptyset(&action.sa_mask);
    // Block the other two while one is recorded, so that the signal number names the first.
    for (const int number : {SIGINT, SIGTERM, SIGHUP}) {
        sigaddset(&action.sa_mask, number);
    }
    // Restarted system calls keep a write from failing half-way; the reset lets a second
    // Ctrl-C end a run that does not reach its next block.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (const int number : {SIGINT, SIGTERM, SIGHUP}) {
        sigaction(number, &action, nullptr);
    }
    return state;
}

}  // namespace quorvel
