#include "cli/ProgressDisplay.h"

#include <cstdio>
#include <string>

namespace quorvel {
namespace {

std::string leftText(const ProgressEstimate& estimate) {
    const auto left = estimate.secondsLeft();
    return left ? durationText(*left) + " left" : std::string("time left not known yet");
}

std::string line(const RunProgress& progress, double seconds, const ProgressEstimate& estimate) {
    const double total = static_cast<double>(progress.samplesTotal);
    const double done = static_cast<double>(progress.samplesDone);
    const double rate = seconds > 0.0 ? done / seconds : 0.0;
    char text[128];
    std::snprintf(text, sizeof text, "%5.1f%%  %.3g Msamples/s  ",
                  total > 0.0 ? 100.0 * done / total : 100.0, rate / 1e6);
    return text + leftText(estimate);
}

}  // namespace

std::optional<double> ProgressDisplay::due() {
    const auto now = Clock::now();
    // Redrawing a terminal line costs nothing; a log file wants few lines.
    const auto interval = terminal_ ? std::chrono::milliseconds(250) : std::chrono::milliseconds(5000);
    // A run shorter than the first interval shows nothing at all.
    if (now - start_ < interval || now - lastShown_ < interval) {
        return std::nullopt;
    }
    lastShown_ = now;
    shown_ = true;
    return std::chrono::duration<double>(now - start_).count();
}

void ProgressDisplay::show(const std::string& text) {
    if (terminal_) {
        err_ << '\r' << text << "\033[K" << std::flush;
    } else {
        err_ << text << '\n' << std::flush;
    }
}

double ProgressDisplay::secondsSinceStart() const {
    return std::chrono::duration<double>(Clock::now() - start_).count();
}

void ProgressDisplay::update(const RunProgress& progress) {
    estimate_.report(secondsSinceStart(), progress.samplesDone, progress.samplesTotal);
    if (const auto seconds = due()) {
        show(line(progress, *seconds, estimate_));
    }
}

void ProgressDisplay::updateCaptures(std::uint64_t done, std::uint64_t total) {
    estimate_.report(secondsSinceStart(), done, total);
    const auto seconds = due();
    if (!seconds) {
        return;
    }
    const double rate = static_cast<double>(done) / *seconds;
    char text[160];
    std::snprintf(text, sizeof text, "%llu of %llu captures  %.0f captures/s  ",
                  static_cast<unsigned long long>(done), static_cast<unsigned long long>(total),
                  rate);
    show(text + leftText(estimate_));
}

void ProgressDisplay::finish() {
    if (terminal_ && shown_) {
        err_ << "\r\033[K" << std::flush;
    }
}

}  // namespace quorvel
