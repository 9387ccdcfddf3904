#include "python/ArraySink.h"

#include <cerrno>
#include <cstring>

#include "export/Cf32Writer.h"
#include "export/IntegerSamples.h"

namespace quorvel {

static_assert(sizeof(ComplexSample) == 2 * sizeof(double), "a sample must lie in memory as numpy's complex128");

std::optional<OutputFormat> integerFormatOf(SampleType type) {
    switch (type) {
        case SampleType::Int16: return OutputFormat::Ci16;
        case SampleType::Int8: return OutputFormat::Ci8;
        case SampleType::Uint8: return OutputFormat::Cu8;
        default: return std::nullopt;
    }
}

std::size_t bytesPerSample(SampleType type) {
    if (const auto format = integerFormatOf(type)) {
        return sigmfBytesPerSample(*format);
    }
    return type == SampleType::Complex128 ? sizeof(ComplexSample) : kCf32BytesPerSample;
}

std::uint64_t encodeSamples(std::span<const ComplexSample> samples, SampleType type, std::byte* out,
                            double fullScale) {
    if (const auto format = integerFormatOf(type)) {
        return encodeIntegers(samples, *format, fullScale, out);
    }
    if (type == SampleType::Complex128) {
        std::memcpy(out, samples.data(), samples.size_bytes());
    } else {
        encodeCf32(samples, out);
    }
    return 0;
}

void ArraySink::write(std::span<const ComplexSample> block) {
    // The array was made for the length the run check promised; more would run past its end.
    if (error_ != 0 || block.size() > capacity_ - written_) {
        error_ = EOVERFLOW;
        return;
    }
    clipped_ += encodeSamples(block, type_, out_ + written_ * bytesPerSample(type_), fullScale_);
    written_ += block.size();
}

}  // namespace quorvel
