#pragma once
// Where the samples of one file go: a sink receives the file's blocks in order and is told at the
// end whether the file finished. The code that makes samples knows no file format.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "common/Signal.h"

namespace quorvel {

class SampleSink {
public:
    virtual ~SampleSink() = default;

    // What failures are reported under: the file's path, or "standard output".
    virtual const std::string& name() const = 0;

    // The next samples of the file. After a failure the sink takes no more, quietly.
    virtual void write(std::span<const ComplexSample> block) = 0;

    // errno of the first failure, 0 while all is well; after one the rest of the file is lost there.
    virtual int error() const = 0;

    // The end of the file: complete when every sample was handed over. A file left incomplete is
    // removed. Nothing on success, otherwise the system's reason.
    virtual std::optional<std::string> finish(bool complete) = 0;

    // Samples with a value beyond the format's full scale so far; none for the float formats.
    virtual std::uint64_t clippedSamples() const { return 0; }
};

// Keeps every sample in memory, for a caller that needs the whole signal (the viewer).
class MemorySink final : public SampleSink {
public:
    explicit MemorySink(SampleBuffer& samples) : samples_(samples) {}

    const std::string& name() const override { return name_; }
    void write(std::span<const ComplexSample> block) override { samples_.insert(samples_.end(), block.begin(), block.end()); }
    int error() const override { return 0; }
    std::optional<std::string> finish(bool) override { return std::nullopt; }

private:
    SampleBuffer& samples_;
    std::string name_ = "memory";
};

}  // namespace quorvel
