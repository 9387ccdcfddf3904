#include "app/widgets/BackgroundRun.h"

#include <exception>
#include <utility>

namespace quorvel {

BackgroundRun::BackgroundRun(const SignalSynthesizer& synthesizer, SignalParameters parameters,
                             std::function<void(const RunProgress&)> progressed,
                             std::function<void()> ended)
    : parameters_(std::move(parameters)),
      progressed_(std::move(progressed)),
      ended_(std::move(ended)),
      thread_([this, &synthesizer] { work(synthesizer); }) {}

BackgroundRun::~BackgroundRun() {
    if (thread_.joinable()) {
        cancel();
        thread_.join();
    }
}

GenerationResult BackgroundRun::finish() {
    if (thread_.joinable()) {
        thread_.join();
    }
    return std::move(result_);
}

void BackgroundRun::work(const SignalSynthesizer& synthesizer) {
    RunOptions options;
    options.keepLastSignal = true;  // the viewer shows the last file's signal and mapper output
    options.cancel = &cancel_;
    options.progress = [this](const RunProgress& progress) {
        QMetaObject::invokeMethod(
            &mailbox_, [this, progress] { progressed_(progress); }, Qt::QueuedConnection);
    };
    // An exception must not leave this thread (it would end the program); a run that cannot get
    // its memory is a refusal like any other.
    try {
        result_ = synthesizer.generateSignal(parameters_, options);
    } catch (const std::exception& e) {
        result_ = GenerationResult{};
        result_.refusal = e.what();
    } catch (...) {
        result_ = GenerationResult{};
        result_.refusal = "The run stopped on an unknown error.";
    }
    QMetaObject::invokeMethod(
        &mailbox_, [this] { ended_(); }, Qt::QueuedConnection);
}

}  // namespace quorvel
