#include "python/ArraySink.h"

#include <cerrno>
#include <cstring>

#include "export/Cf32Writer.h"

namespace quorvel {

static_assert(sizeof(ComplexSample) == 2 * sizeof(double), "a sample must lie in memory as numpy's complex128");

std::size_t bytesPerSample(SampleType type) {
    return type == SampleType::Complex128 ? sizeof(ComplexSample) : kCf32BytesPerSample;
}

void encodeSamples(std::span<const ComplexSample> samples, SampleType type, std::byte* out) {
    if (type == SampleType::Complex128) {
        std::memcpy(out, samples.data(), samples.size_bytes());
    } else {
        encodeCf32(samples, out);
    }
}

void ArraySink::write(std::span<const ComplexSample> block) {
    // The array was made for the length the run check promised; more would run past its end.
    if (error_ != 0 || block.size() > capacity_ - written_) {
        error_ = EOVERFLOW;
        return;
    }
    encodeSamples(block, type_, out_ + written_ * bytesPerSample(type_));
    written_ += block.size();
}

}  // namespace quorvel
