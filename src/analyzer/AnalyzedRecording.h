#pragma once
// A recording open in the analyzer with its min/max pyramid, built on a thread of its own from
// the moment it is opened, so that the first picture needs no pass over the file.

#include <atomic>
#include <string>
#include <thread>

#include "analyzer/MinMaxPyramid.h"
#include "analyzer/Recording.h"

namespace quorvel {

class AnalyzedRecording {
  public:
    // Opens the recording at path (see openRecording, whose refusals it passes on) and starts
    // building its pyramid.
    explicit AnalyzedRecording(const std::string& path);
    // Stops the build and waits for its thread.
    ~AnalyzedRecording();
    AnalyzedRecording(const AnalyzedRecording&) = delete;
    AnalyzedRecording& operator=(const AnalyzedRecording&) = delete;

    const Recording& recording() const { return recording_; }
    const SampleReader& samples() const { return *recording_.samples; }
    const MinMaxPyramid& pyramid() const { return pyramid_; }
    // Time of sample n is n / rate [s].
    double sampleRateHz() const { return recording_.sampleRateHz; }

    // Waits for the pyramid to be complete (for tests and benchmarks that want exact views).
    void waitForPyramid();

  private:
    Recording recording_;
    MinMaxPyramid pyramid_;
    std::atomic<bool> stop_{false};
    std::thread builder_;  // last: starts once everything it uses exists
};

}  // namespace quorvel
