#pragma once
// Samples written into memory a caller owns, such as a numpy array's buffer: as complex128 (the
// samples as the engine makes them) or as complex64 (exactly the bytes of a cf32 file).

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "export/SampleSink.h"

namespace quorvel {

enum class SampleType { Complex128, Complex64 };

// Bytes one sample takes.
std::size_t bytesPerSample(SampleType type);

// Writes samples to out, which holds bytesPerSample(type) bytes per sample.
void encodeSamples(std::span<const ComplexSample> samples, SampleType type, std::byte* out);

class ArraySink final : public SampleSink {
public:
    // out holds room for capacity samples.
    ArraySink(std::byte* out, std::uint64_t capacity, SampleType type) : out_(out), capacity_(capacity), type_(type) {}

    const std::string& name() const override { return name_; }
    void write(std::span<const ComplexSample> block) override;
    int error() const override { return error_; }
    std::optional<std::string> finish(bool) override { return std::nullopt; }

    // Samples written so far.
    std::uint64_t written() const { return written_; }

private:
    std::byte* out_;
    std::uint64_t capacity_;
    SampleType type_;
    std::uint64_t written_ = 0;
    int error_ = 0;
    std::string name_ = "memory";
};

}  // namespace quorvel
