#pragma once
// A recording's samples as complex floats, read a range at a time from wherever they lie: the
// analyzer never holds a recording whole, so a reader of any length costs the same memory.

#include <complex>
#include <cstddef>
#include <cstdint>

namespace quorvel {

using IqSample = std::complex<float>;

class SampleReader {
  public:
    virtual ~SampleReader() = default;

    // Number of whole samples the recording holds.
    virtual std::uint64_t size() const = 0;

    // Samples begin ... begin + count - 1 into out, scaled to full scale 1.0; the range must lie
    // inside the recording.
    virtual void read(std::uint64_t begin, std::size_t count, IqSample* out) const = 0;
};

}  // namespace quorvel
