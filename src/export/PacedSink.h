#pragma once
// Samples handed on no faster than the sampling rate, for consumers that need them in real time
// (a transmitter without flow control, a flowgraph without a throttle).

#include <atomic>
#include <chrono>
#include <cstdint>

#include "export/SampleSink.h"

namespace quorvel {

class PacedSink final : public SampleSink {
public:
    // Sample n reaches next no earlier than n / samplingRate seconds after the first. A set
    // cancel flag ends a wait at its next look (10 times a second).
    PacedSink(SampleSink& next, double samplingRateHz, const std::atomic<bool>* cancel);

    const std::string& name() const override { return next_.name(); }
    void write(std::span<const ComplexSample> block) override;
    int error() const override { return next_.error(); }
    std::optional<std::string> finish(bool complete) override { return next_.finish(complete); }
    std::uint64_t clippedSamples() const override { return next_.clippedSamples(); }

private:
    // Waits until sample `sent` is due; false when cancelled meanwhile.
    bool waitFor(std::uint64_t sent) const;

    SampleSink& next_;
    double samplingRate_;
    const std::atomic<bool>* cancel_;
    std::size_t pieceSamples_;
    std::uint64_t sent_ = 0;
    std::chrono::steady_clock::time_point start_{};
};

}  // namespace quorvel
