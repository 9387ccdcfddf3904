#pragma once
// The integer sample pairs SDR hardware takes: int16 (little-endian) and int8 I, Q pairs, and
// RTL-SDR's uint8 pairs offset by 127.5. A chosen amplitude is full scale: 32768 codes for
// int16, 128 for the 8-bit forms, as SigMF readers (and our analyzer) scale them back; what lies
// beyond is clipped to the end code, and counted.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

#include "common/SignalParameters.h"
#include "export/ByteOutput.h"
#include "export/SampleSink.h"

namespace quorvel {

// The full scale of the integer formats when the run gives none: the nominal RMS 12 dB below
// it, room for the peaks of the pulses, the channel and the noise of most settings.
inline constexpr double kDefaultHeadroomDb = 12.0;
double defaultIntegerScale();

// The run's full scale as a factor of the nominal RMS: its own, or the default.
double integerScaleOf(const SignalParameters& parameters);

// Bytes one sample of a .sigmf-data file takes: 8 for cf32, 4 for ci16, 2 for ci8 and cu8.
std::size_t sigmfBytesPerSample(OutputFormat format);

// The SigMF "core:datatype" of the .sigmf-data file.
std::string_view sigmfDatatype(OutputFormat format);

// Writes the codes of samples, amplitude fullScale at full scale, sigmfBytesPerSample(format)
// bytes each, to out; returns how many samples had a value clipped (or not a number, written 0).
std::uint64_t encodeIntegers(std::span<const ComplexSample> samples, OutputFormat format, double fullScale,
                             std::byte* out);

class IntegerSink final : public SampleSink {
public:
    IntegerSink(ByteOutput output, OutputFormat format, double fullScale)
        : output_(std::move(output)), format_(format), fullScale_(fullScale) {}

    const std::string& name() const override { return output_.name(); }
    void write(std::span<const ComplexSample> block) override;
    int error() const override { return output_.error(); }
    std::optional<std::string> finish(bool complete) override { return output_.close(complete); }
    std::uint64_t clippedSamples() const override { return clipped_; }

private:
    ByteOutput output_;
    OutputFormat format_;
    double fullScale_;
    std::unique_ptr<std::byte[]> bytes_;
    std::size_t capacity_ = 0;  // samples bytes_ holds
    std::uint64_t clipped_ = 0;
};

}  // namespace quorvel
