#pragma once
// One run of the pipeline on a thread of its own, so that the window goes on answering while the
// files are made. The run touches no widget and no application state: it hands its progress and
// its end to the interface thread through that thread's event queue, and its result only once the
// thread has been joined.

#include <QObject>
#include <atomic>
#include <functional>
#include <thread>

#include "common/SignalParameters.h"
#include "synthesis/SignalSynthesizer.h"

namespace quorvel {

class BackgroundRun {
  public:
    // Starts generating at once with the synthesizer, which must outlive the run and must not be
    // used elsewhere meanwhile. progressed and ended are called on the constructing thread from
    // its event loop, in the order the run reports; ended once, last.
    BackgroundRun(const SignalSynthesizer& synthesizer, SignalParameters parameters,
                  std::function<void(const RunProgress&)> progressed, std::function<void()> ended);
    // A run still going is cancelled and waited for: no thread outlives its run.
    ~BackgroundRun();
    BackgroundRun(const BackgroundRun&) = delete;
    BackgroundRun& operator=(const BackgroundRun&) = delete;

    // The run stops at its next block, keeps the files it finished and removes the one it was
    // making; its result then says cancelled.
    void cancel() { cancel_.store(true); }

    // Waits for the thread (at once when ended has been called) and returns the result, once. An
    // exception on the run's thread, such as std::bad_alloc, comes back as a refusal.
    GenerationResult finish();

  private:
    void work(const SignalSynthesizer& synthesizer);

    SignalParameters parameters_;
    std::function<void(const RunProgress&)> progressed_;
    std::function<void()> ended_;
    std::atomic<bool> cancel_{false};
    // Receives the run's reports on the interface thread; what is still queued for it when the run
    // is destroyed is dropped with it.
    QObject mailbox_;
    GenerationResult result_;
    std::thread thread_;  // last: starts once everything it uses exists
};

}  // namespace quorvel
