#pragma once
// The command line's progress line: percentage, samples (or captures) per second and time left, redrawn in
// place on a terminal a few times a second and erased at the end; on anything else one plain
// line every few seconds.

#include <chrono>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

#include "synthesis/ProgressEstimate.h"
#include "synthesis/SignalSynthesizer.h"

namespace quorvel {

class ProgressDisplay {
public:
    ProgressDisplay(std::ostream& err, bool terminal) : err_(err), terminal_(terminal) {}

    // Shows progress if enough time has passed since the last line.
    void update(const RunProgress& progress);

    // The same for a dataset: captures done of the total, captures per second, time left.
    void updateCaptures(std::uint64_t done, std::uint64_t total);

    // Erases the line on a terminal, so that what follows starts on a clean line.
    void finish();

private:
    using Clock = std::chrono::steady_clock;

    // Whether a line is due now; the seconds since the start when it is.
    std::optional<double> due();
    double secondsSinceStart() const;
    void show(const std::string& line);

    std::ostream& err_;
    bool terminal_;
    Clock::time_point start_ = Clock::now();
    Clock::time_point lastShown_{};
    bool shown_ = false;
    ProgressEstimate estimate_;
};

}  // namespace quorvel
