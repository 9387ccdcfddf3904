#pragma once
// A cf32 sample file (or stream) written block by block: each block is converted to
// little-endian float32 I, Q pairs and written as it arrives.

#include <memory>

#include "export/ByteOutput.h"
#include "export/SampleSink.h"

namespace quorvel {

class Cf32Sink final : public SampleSink {
public:
    explicit Cf32Sink(ByteOutput output) : output_(std::move(output)) {}

    const std::string& name() const override { return output_.name(); }
    void write(std::span<const ComplexSample> block) override;
    int error() const override { return output_.error(); }
    std::optional<std::string> finish(bool complete) override { return output_.close(complete); }

private:
    ByteOutput output_;
    std::unique_ptr<std::byte[]> bytes_;
    std::size_t capacity_ = 0;  // samples bytes_ holds
};

}  // namespace quorvel
