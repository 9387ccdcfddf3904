#include "channel/RateConversion.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <vector>

#include "channel/WindowedSinc.h"

namespace quorvel {

std::size_t inputSamplesReached(double inputRateHz, double outputRateHz, std::size_t firstOutput,
                                std::size_t count) {
    const double step = inputRateHz / outputRateHz;
    const double last = static_cast<double>(firstOutput + count) * step;
    return static_cast<std::size_t>(std::ceil(last)) + kSincHalfWidth + 1;
}

// A wide kernel: its weighted sums run two samples to a 256-bit vector where the processor has them.
QUORVEL_WIDE_KERNEL void raiseSamplingRate(std::span<const ComplexSample> input, double inputRateHz, double outputRateHz,
                       std::size_t firstOutput, std::size_t count, SampleBuffer& out) {
    if (!(inputRateHz > 0.0) || !(outputRateHz >= inputRateHz)) {
        throw std::invalid_argument("a rate conversion needs 0 < input rate <= output rate");
    }
    out.assign(count, ComplexSample{});
    if (input.empty()) {
        return;
    }
    // Zeros either side, so that every read finds its kSincTaps samples without a bounds test: the
    // last read starts below input.size() + kSincHalfWidth and spans kSincTaps + 1 more.
    constexpr auto pad = static_cast<std::size_t>(kSincHalfWidth);
    std::vector<ComplexSample> padded(input.size() + 3 * pad + 2);
    std::copy(input.begin(), input.end(), padded.begin() + static_cast<std::ptrdiff_t>(pad));
    const double step = inputRateHz / outputRateHz;
    const double end = static_cast<double>(input.size()) + kSincHalfWidth;
    const SincTable& table = sincTable();
    for (std::size_t n = 0; n < count; ++n) {
        // Positions are products, not running sums, so that no rounding accumulates over a capture.
        const double t = static_cast<double>(firstOutput + n) * step;
        if (!(t < end - 1.0)) {
            break;
        }
        const double whole = std::floor(t);
        // The first sample weighed is input sample whole - kSincHalfWidth + 1, padded index whole + 1.
        out[n] = table.sumAt(t - whole, padded.data() + static_cast<std::size_t>(whole) + 1);
    }
}

}  // namespace quorvel
