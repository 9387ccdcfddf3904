#pragma once
// Samples written into memory a caller owns, such as a numpy array's buffer: as complex128 (the
// samples as the engine makes them) or as complex64 (exactly the bytes of a cf32 file).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "common/SignalParameters.h"
#include "export/SampleSink.h"

namespace quorvel {

// The integer types hold the bytes of a ci16, ci8 or cu8 file: I, Q pairs of codes.
enum class SampleType { Complex128, Complex64, Int16, Int8, Uint8 };

// The integer format whose codes the type holds; nothing for the complex types.
std::optional<OutputFormat> integerFormatOf(SampleType type);

// Bytes one sample takes.
std::size_t bytesPerSample(SampleType type);

// Writes samples to out, which holds bytesPerSample(type) bytes per sample, the integer types
// with amplitude fullScale at full scale; the samples clipped there.
std::uint64_t encodeSamples(std::span<const ComplexSample> samples, SampleType type, std::byte* out,
                            double fullScale = 1.0);

class ArraySink final : public SampleSink {
public:
    // out holds room for capacity samples.
    ArraySink(std::byte* out, std::uint64_t capacity, SampleType type, double fullScale = 1.0)
        : out_(out), capacity_(capacity), type_(type), fullScale_(fullScale) {}

    const std::string& name() const override { return name_; }
    void write(std::span<const ComplexSample> block) override;
    int error() const override { return error_; }
    std::optional<std::string> finish(bool) override { return std::nullopt; }
    std::uint64_t clippedSamples() const override { return clipped_; }

    // Samples written so far.
    std::uint64_t written() const { return written_; }

private:
    std::byte* out_;
    std::uint64_t capacity_;
    SampleType type_;
    double fullScale_;
    std::uint64_t written_ = 0;
    std::uint64_t clipped_ = 0;
    int error_ = 0;
    std::string name_ = "memory";
};

}  // namespace quorvel
