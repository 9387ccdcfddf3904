#pragma once
// How long a run has left, from how far it has got over time: the rate of the last few seconds
// rather than the whole run's, so that a run whose speed changes (a first pass that only sums
// the power, then the writing) is not misjudged for the rest of its length.

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <utility>

namespace quorvel {

class ProgressEstimate {
  public:
    // The rate is taken over this many seconds of reports, or all of them while fewer.
    static constexpr double kWindowSeconds = 3.0;

    // Records that done of total units were finished secondsSinceStart into the run.
    void report(double secondsSinceStart, std::uint64_t done, std::uint64_t total);

    // Seconds left at the recent rate; nothing before two reports apart in time or while nothing
    // moves.
    std::optional<double> secondsLeft() const;

  private:
    std::deque<std::pair<double, std::uint64_t>> recent_;  // (seconds, done), oldest first
    std::uint64_t total_ = 0;
};

// "0.4 s", "8.2 s", "37 s", "2 min 05 s", "1 h 03 min": tenths below 10 s, so that the last
// seconds count down.
std::string durationText(double seconds);

}  // namespace quorvel
