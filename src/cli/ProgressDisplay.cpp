#include "cli/ProgressDisplay.h"

#include <cstdio>
#include <string>

namespace quorvel {
namespace {

std::string line(const RunProgress& progress, double seconds) {
    const double total = static_cast<double>(progress.samplesTotal);
    const double done = static_cast<double>(progress.samplesDone);
    const double rate = seconds > 0.0 ? done / seconds : 0.0;
    const double left = rate > 0.0 ? (total - done) / rate : 0.0;
    char text[128];
    std::snprintf(text, sizeof text, "%5.1f%%  %.3g Msamples/s  %.0f s left", total > 0.0 ? 100.0 * done / total : 100.0,
                  rate / 1e6, left);
    return text;
}

}  // namespace

void ProgressDisplay::update(const RunProgress& progress) {
    const auto now = Clock::now();
    // Redrawing a terminal line costs nothing; a log file wants few lines.
    const auto interval = terminal_ ? std::chrono::milliseconds(250) : std::chrono::milliseconds(5000);
    // A run shorter than the first interval shows nothing at all.
    if (now - start_ < interval || now - lastShown_ < interval) {
        return;
    }
    lastShown_ = now;
    shown_ = true;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    if (terminal_) {
        err_ << '\r' << line(progress, seconds) << "\033[K" << std::flush;
    } else {
        err_ << line(progress, seconds) << '\n' << std::flush;
    }
}

void ProgressDisplay::finish() {
    if (terminal_ && shown_) {
        err_ << "\r\033[K" << std::flush;
    }
}

}  // namespace quorvel
