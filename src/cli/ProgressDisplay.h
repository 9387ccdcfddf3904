#pragma once
// The command line's progress line: percentage, samples per second and time left, redrawn in
// place on a terminal a few times a second and erased at the end; on anything else one plain
// line every few seconds.

#include <chrono>
#include <ostream>

#include "synthesis/SignalSynthesizer.h"

namespace quorvel {

class ProgressDisplay {
public:
    ProgressDisplay(std::ostream& err, bool terminal) : err_(err), terminal_(terminal) {}

    // Shows progress if enough time has passed since the last line.
    void update(const RunProgress& progress);

    // Erases the line on a terminal, so that what follows starts on a clean line.
    void finish();

private:
    using Clock = std::chrono::steady_clock;

    std::ostream& err_;
    bool terminal_;
    Clock::time_point start_ = Clock::now();
    Clock::time_point lastShown_{};
    bool shown_ = false;
};

}  // namespace quorvel
