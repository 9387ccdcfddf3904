#include "channel/ClockOffset.h"

#include <algorithm>
#include <cmath>

#include "channel/WindowedSinc.h"

namespace quorvel {
namespace {

// Where output sample n reads: sample `first` + kSincHalfWidth - 1 and the fraction past it.
// n x (1 + e) is split as n + n x e so that the fraction keeps its precision however long the file.
struct ReadPoint {
    std::int64_t first;  // the first of the kSincTaps samples weighed
    double frac;
};

ReadPoint readPoint(std::size_t n, double ppm) {
    const double drift = static_cast<double>(n) * (ppm * 1e-6);
    const double whole = std::floor(drift);
    return {static_cast<std::int64_t>(n) + static_cast<std::int64_t>(whole) - (kSincHalfWidth - 1),
            drift - whole};
}

// Output samples next ... next + out.size() - 1, reading sample i at input[i].
QUORVEL_WIDE_KERNEL void interpolate(std::size_t next, double ppm, const ComplexSample* input,
                                     std::span<ComplexSample> out) {
    const SincTable& table = sincTable();
    for (std::size_t k = 0; k < out.size(); ++k) {
        const ReadPoint point = readPoint(next + k, ppm);
        out[k] = table.sumAt(point.frac, input + point.first);
    }
}

}  // namespace

SampleBuffer applyClockOffset(const SampleBuffer& input, double ppm) {
    const std::size_t count = input.size();
    if (count == 0) {
        return {};
    }
    const ReadPoint last = readPoint(count - 1, ppm);
    const std::int64_t before = kSincHalfWidth;
    const std::int64_t after =
        std::max<std::int64_t>(last.first + kSincTaps - static_cast<std::int64_t>(count), 0);
    const SampleBuffer padded =
        zeroPadded(input, static_cast<std::size_t>(before), static_cast<std::size_t>(after));
    SampleBuffer out(count);
    const SincTable& table = sincTable();
    for (std::size_t n = 0; n < count; ++n) {
        const ReadPoint point = readPoint(n, ppm);
        out[n] = table.sumAt(point.frac, padded.data() + (point.first + before));
    }
    return out;
}

std::size_t ClockOffsetStage::read(std::span<ComplexSample> out) {
    const std::size_t count = std::min(out.size(), count_ - next_);
    if (count == 0) {
        return 0;
    }
    const ReadPoint first = readPoint(next_, ppm_);
    const ReadPoint last = readPoint(next_ + count - 1, ppm_);
    const ComplexSample* samples = input_.run(first.first, last.first + kSincTaps - 1);
    interpolate(next_, ppm_, samples - first.first, out.first(count));
    next_ += count;
    return count;
}

}  // namespace quorvel
