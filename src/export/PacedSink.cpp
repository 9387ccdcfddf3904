#include "export/PacedSink.h"

#include <algorithm>
#include <cmath>
#include <thread>

namespace quorvel {
namespace {

// A block is handed on in pieces of this long, so a consumer sees a steady flow rather than a
// block at a time (at 10 kHz a block of 65536 samples would arrive every 6.5 s).
constexpr double kPieceSeconds = 0.01;
constexpr auto kLongestSleep = std::chrono::milliseconds(100);

}  // namespace

PacedSink::PacedSink(SampleSink& next, double samplingRateHz, const std::atomic<bool>* cancel)
    : next_(next), samplingRate_(samplingRateHz), cancel_(cancel),
      pieceSamples_(static_cast<std::size_t>(std::max(1.0, std::floor(samplingRateHz * kPieceSeconds)))) {}

bool PacedSink::waitFor(std::uint64_t sent) const {
    const auto due = start_ + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                  std::chrono::duration<double>(static_cast<double>(sent) / samplingRate_));
    for (;;) {
        if (cancel_ != nullptr && cancel_->load(std::memory_order_relaxed)) {
            return false;
        }
        const auto now = std::chrono::steady_clock::now();
        if (now >= due) {
            return true;
        }
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(due - now, kLongestSleep));
    }
}

void PacedSink::write(std::span<const ComplexSample> block) {
    while (!block.empty() && next_.error() == 0) {
        if (sent_ > 0 && !waitFor(sent_)) {
            return;
        }
        const std::size_t count = std::min(block.size(), pieceSamples_);
        next_.write(block.first(count));
        // The clock starts once the first piece is out: a publisher may wait for its first
        // subscriber there, and the time spent waiting is no lateness to catch up on.
        if (sent_ == 0) {
            start_ = std::chrono::steady_clock::now();
        }
        sent_ += count;
        block = block.subspan(count);
    }
}

}  // namespace quorvel
