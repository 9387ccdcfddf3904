#include "synthesis/ProgressEstimate.h"

#include <cmath>
#include <cstdio>

namespace quorvel {

void ProgressEstimate::report(double secondsSinceStart, std::uint64_t done, std::uint64_t total) {
    total_ = total;
    recent_.emplace_back(secondsSinceStart, done);
    // Keep the newest report older than the window, so the window is always covered.
    while (recent_.size() > 2 && secondsSinceStart - recent_[1].first >= kWindowSeconds) {
        recent_.pop_front();
    }
}

std::optional<double> ProgressEstimate::secondsLeft() const {
    if (recent_.size() < 2) {
        return std::nullopt;
    }
    const auto& [t0, d0] = recent_.front();
    const auto& [t1, d1] = recent_.back();
    if (!(t1 > t0) || d1 <= d0) {
        return std::nullopt;
    }
    const double rate = static_cast<double>(d1 - d0) / (t1 - t0);
    return static_cast<double>(total_ > d1 ? total_ - d1 : 0) / rate;
}

std::string durationText(double seconds) {
    char text[48];
    if (!(seconds >= 0.0) || !std::isfinite(seconds)) {
        return "?";
    }
    if (seconds < 9.95) {
        std::snprintf(text, sizeof text, "%.1f s", seconds);
    } else if (seconds < 59.5) {
        std::snprintf(text, sizeof text, "%.0f s", seconds);
    } else if (seconds < 3599.5) {
        const auto whole = static_cast<long>(std::lround(seconds));
        std::snprintf(text, sizeof text, "%ld min %02ld s", whole / 60, whole % 60);
    } else {
        const auto minutes = static_cast<long>(std::lround(seconds / 60.0));
        std::snprintf(text, sizeof text, "%ld h %02ld min", minutes / 60, minutes % 60);
    }
    return text;
}

}  // namespace quorvel
