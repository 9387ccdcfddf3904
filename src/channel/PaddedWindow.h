#pragma once
// An upstream stream of known length read as if zeros stood before and after it, in contiguous
// runs: what the stages that look at neighbours on both sides of a sample read through.

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "common/SampleSource.h"
#include "common/Signal.h"

namespace quorvel {

class PaddedWindow {
  public:
    PaddedWindow(SampleSource& upstream, std::size_t count)
        : window_(upstream), count_(static_cast<std::int64_t>(count)) {}

    // Samples first ... last, each of which may lie outside the stream; valid until the next call.
    // first never decreases from one call to the next.
    const ComplexSample* run(std::int64_t first, std::int64_t last) {
        const std::int64_t low = first < 0 ? 0 : first;
        const std::int64_t high = last < count_ ? last : count_ - 1;
        if (low <= high) {
            window_.release(static_cast<std::size_t>(low));
        }
        if (first >= 0 && last < count_) {
            return window_.hold(static_cast<std::size_t>(first), static_cast<std::size_t>(last));
        }
        padded_.assign(static_cast<std::size_t>(last - first + 1), ComplexSample{});
        if (low <= high) {
            const ComplexSample* held =
                window_.hold(static_cast<std::size_t>(low), static_cast<std::size_t>(high));
            std::copy(held, held + (high - low + 1), padded_.begin() + (low - first));
        }
        return padded_.data();
    }

  private:
    SampleWindow window_;
    std::int64_t count_;
    SampleBuffer padded_;
};

// A copy of input with `before` zeros before it and `after` zeros after it, for the whole-buffer
// forms of the same stages.
inline SampleBuffer zeroPadded(const SampleBuffer& input, std::size_t before, std::size_t after) {
    SampleBuffer padded(before + input.size() + after);
    std::copy(input.begin(), input.end(), padded.begin() + static_cast<std::ptrdiff_t>(before));
    return padded;
}

}  // namespace quorvel
