#pragma once
// The generation pipeline: from one run's settings to its sample files and final signal.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/SeedSource.h"
#include "common/Signal.h"
#include "synthesis/SignalParameters.h"

namespace quorvel {

struct FileWriteFailure {
    std::string path;
    std::string reason;
};

struct GenerationResult {
    SampleBuffer signal;         // final samples of the last file; empty when the run was refused
    SampleBuffer mappedSymbols;  // mapper output of the last file, before resampling and the channel
    std::string refusal;         // why the run was refused, one line; empty when it ran
    std::vector<std::string> writtenFiles;          // in the order written
    std::vector<FileWriteFailure> fileFailures;     // files that could not be created, written or closed

    bool refused() const { return !refusal.empty(); }
};

class SignalSynthesizer {
public:
    // seeds: the symbol engine takes the first seed of each run, every noise stage the next one.
    explicit SignalSynthesizer(SeedSource seeds = platformSeedSource());

    // Bounds the memory a run may hold at once [bytes]; by default what the system has available.
    void setMemoryLimit(std::optional<std::uint64_t> bytes) { memoryLimitBytes_ = bytes; }

    // Runs the whole file loop. A refused run writes no file and returns only its reason.
    GenerationResult generateSignal(const SignalParameters& parameters) const;

private:
    SeedSource seeds_;
    std::optional<std::uint64_t> memoryLimitBytes_;
};

}  // namespace quorvel
