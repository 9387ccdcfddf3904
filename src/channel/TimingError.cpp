#include "channel/TimingError.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

#include "channel/LinearInterpolation.h"

namespace quorvel {
namespace {

// Nominal instant of sample i in seconds, the same value a table of instants would hold.
double nominalInstant(std::size_t i, double samplingRateHz) {
    return static_cast<double>(i) / samplingRateHz;
}

// The instant at which sample i is read: it drifts linearly to drift seconds at i = N.
double readInstant(std::size_t i, double count, double drift, double samplingRateHz) {
    return (static_cast<double>(i) / count) * drift + nominalInstant(i, samplingRateHz);
}

// Rates that do not make the instants a finite ascending grid: read through the table itself.
SampleBuffer readThroughTable(const SampleBuffer& input, double drift, double samplingRateHz) {
    const std::size_t n = input.size();
    std::vector<double> instants(n);
    for (std::size_t i = 0; i < n; ++i) {
        instants[i] = nominalInstant(i, samplingRateHz);
    }
    SampleBuffer out(n);
    for (std::size_t i = 0; i < n; ++i) {
        const double t = readInstant(i, static_cast<double>(n), drift, samplingRateHz);
        out[i] = interpolateLinear(instants, input, t);
    }
    return out;
}

}  // namespace

std::size_t firstInstantAfter(double t, double samplingRateHz, std::size_t count) {
    // The instants i / fs are only nearly evenly spaced in floating point, so the guess from
    // t x fs may be one off either way; it is corrected against the instants themselves.
    const double guess = std::floor(t * samplingRateHz) + 1.0;
    std::size_t p = count - 1;
    if (guess < 1.0) {
        p = 1;
    } else if (guess < static_cast<double>(count - 1)) {
        p = static_cast<std::size_t>(guess);
    }
    while (nominalInstant(p - 1, samplingRateHz) > t) {
        --p;
    }
    while (nominalInstant(p, samplingRateHz) <= t) {
        ++p;
    }
    return p;
}

SampleBuffer applyTimingError(const SampleBuffer& input, double timingError, double symbolRateHz,
                              double samplingRateHz) {
    if (timingError == 0.0 || input.empty()) {
        return input;
    }
    const double drift = (1.0 / symbolRateHz) * timingError;
    if (!(samplingRateHz > 0.0 && std::isfinite(samplingRateHz) && std::isfinite(drift))) {
        return readThroughTable(input, drift, samplingRateHz);
    }
    const std::size_t n = input.size();
    const double count = static_cast<double>(n);
    const double lastInstant = nominalInstant(n - 1, samplingRateHz);
    SampleBuffer out(n);
    for (std::size_t i = 0; i < n; ++i) {
        const double t = readInstant(i, count, drift, samplingRateHz);
        if (t <= 0.0) {
            out[i] = input.front();
        } else if (t >= lastInstant) {
            out[i] = input.back();
        } else {
            const std::size_t p = firstInstantAfter(t, samplingRateHz, n);
            out[i] =
                interpolateSegment(nominalInstant(p - 1, samplingRateHz),
                                   nominalInstant(p, samplingRateHz), input[p - 1], input[p], t);
        }
    }
    return out;
}

bool timingErrorStreams(double timingError, double symbolRateHz, double samplingRateHz) {
    const double drift = (1.0 / symbolRateHz) * timingError;
    return samplingRateHz > 0.0 && std::isfinite(samplingRateHz) && std::isfinite(drift);
}

TimingErrorStage::TimingErrorStage(SampleSource& input, std::size_t count, double timingError,
                                   double symbolRateHz, double samplingRateHz)
    : input_(input), count_(count), drift_((1.0 / symbolRateHz) * timingError), samplingRateHz_(samplingRateHz),
      lastInstant_(count == 0 ? 0.0 : nominalInstant(count - 1, samplingRateHz)) {}

std::size_t TimingErrorStage::read(std::span<ComplexSample> out) {
    // Rounding can move a read instant back by a hair from one sample to the next; samples this
    // far behind the block's first neighbour stay held so that such a step back finds them.
    constexpr std::size_t kHeldBehind = 1024;
    const std::size_t count = std::min(out.size(), count_ - next_);
    if (count == 0) {
        return 0;
    }
    if (next_ == 0) {
        first_ = input_.at(0);
    }
    const double total = static_cast<double>(count_);
    // The neighbours this block reads lie between those of its first and last read instants.
    const auto neighbourAfter = [&](std::size_t i) {
        const double t = readInstant(i, total, drift_, samplingRateHz_);
        if (!(t > 0.0)) {
            return std::size_t{1};
        }
        return t >= lastInstant_ ? count_ - 1 : firstInstantAfter(t, samplingRateHz_, count_);
    };
    const std::size_t firstAfter = neighbourAfter(next_);
    const std::size_t low = firstAfter > kHeldBehind ? firstAfter - kHeldBehind : 0;
    const std::size_t high = std::min(neighbourAfter(next_ + count - 1) + 1, count_ - 1);
    input_.release(low);
    const ComplexSample* held = input_.hold(low, high);
    const auto sample = [&](std::size_t index) {
        if (index >= low && index <= high) {
            return held[index - low];
        }
        // Only where rounding stepped far back or ahead; pulling moves what is held.
        const ComplexSample value = input_.at(index);
        held = input_.hold(low, high);
        return value;
    };
    for (std::size_t k = 0; k < count; ++k, ++next_) {
        const double t = readInstant(next_, total, drift_, samplingRateHz_);
        if (t <= 0.0) {
            out[k] = first_;
        } else if (t >= lastInstant_) {
            out[k] = sample(count_ - 1);
        } else {
            const std::size_t p = firstInstantAfter(t, samplingRateHz_, count_);
            const ComplexSample right = sample(p);
            const ComplexSample left = sample(p - 1);
            out[k] = interpolateSegment(nominalInstant(p - 1, samplingRateHz_), nominalInstant(p, samplingRateHz_),
                                        left, right, t);
        }
    }
    return count;
}

}  // namespace quorvel
