#include "modulation/Ofdm.h"

#include <algorithm>
#include <cmath>

#include "dsp/FourierTransform.h"

namespace quorvel {
namespace {

double meanPowerOf(const std::vector<ComplexSample>& points) {
    double sum = 0.0;
    for (const ComplexSample& p : points) {
        sum += p.i * p.i + p.q * p.q;
    }
    return points.empty() ? 0.0 : sum / static_cast<double>(points.size());
}

ComplexSample meanOf(const std::vector<ComplexSample>& points) {
    ComplexSample sum;
    for (const ComplexSample& p : points) {
        sum = sum + p;
    }
    const double count = points.empty() ? 1.0 : static_cast<double>(points.size());
    return {sum.i / count, sum.q / count};
}

}  // namespace

std::size_t defaultActiveCount(std::size_t fftSize) {
    return 2 * static_cast<std::size_t>(std::lround(5.0 * static_cast<double>(fftSize) / 12.0));
}

std::size_t cyclicPrefixLength(std::size_t fftSize, double ratio) {
    return static_cast<std::size_t>(std::lround(ratio * static_cast<double>(fftSize)));
}

std::vector<std::size_t> activeBins(std::size_t fftSize, std::size_t activeCount) {
    const std::size_t below = activeCount / 2;
    std::vector<std::size_t> bins;
    bins.reserve(activeCount);
    for (std::size_t k = fftSize - below; k < fftSize; ++k) {
        bins.push_back(k);
    }
    for (std::size_t k = 1; k <= activeCount - below; ++k) {
        bins.push_back(k);
    }
    return bins;
}

OfdmMapper::OfdmMapper(const OfdmFrame& frame, std::vector<ComplexSample> points, std::size_t symbolCount)
    : frame_(frame),
      points_(std::move(points)),
      bins_(activeBins(frame.fftSize, frame.activeCount)),
      transform_(std::make_unique<FourierTransform>(frame.fftSize, FourierTransform::Direction::Inverse)),
      spectrum_(frame.fftSize),
      remaining_(symbolCount) {
    // Points of mean power P on K bins give a body of mean power K P. A scheme whose points have
    // a mean mu (OOK, ASK) puts a pulse of K mu at the body's start, which the prefix, a copy of
    // the tail, misses: the tail holds (K sigma^2 L + |mu|^2 G) for the points' variance sigma^2
    // and G the power of the tail of the active bins' sum, which the transform itself gives.
    const double n = static_cast<double>(frame.fftSize);
    const double k = static_cast<double>(frame.activeCount);
    const double power = meanPowerOf(points_);
    const ComplexSample mean = meanOf(points_);
    const double meanPower = mean.i * mean.i + mean.q * mean.q;
    for (const std::size_t bin : bins_) {
        spectrum_[bin] = {1.0, 0.0};
    }
    const std::span<const double> sum = transform_->inverse(spectrum_);
    double tailPower = 0.0;
    for (std::size_t m = frame.fftSize - frame.prefixLength; m < frame.fftSize; ++m) {
        tailPower += sum[2 * m] * sum[2 * m] + sum[2 * m + 1] * sum[2 * m + 1];
    }
    std::fill(spectrum_.begin(), spectrum_.end(), ComplexSample{});
    const double symbolEnergy = n * k * power + k * (power - meanPower) * static_cast<double>(frame.prefixLength) +
                                meanPower * tailPower;
    scale_ = std::sqrt((n + static_cast<double>(frame.prefixLength)) / symbolEnergy);
    // Scaled once here rather than once per sample.
    for (ComplexSample& p : points_) {
        p = {p.i * scale_, p.q * scale_};
    }
}

OfdmMapper::~OfdmMapper() = default;
OfdmMapper::OfdmMapper(OfdmMapper&&) noexcept = default;
OfdmMapper& OfdmMapper::operator=(OfdmMapper&&) noexcept = default;

void OfdmMapper::append(const SymbolSequence& symbols, SampleBuffer& out) {
    const std::size_t perSymbol = frame_.fftSize + frame_.prefixLength;
    out.reserve(out.size() + (symbols.size() / frame_.activeCount + 1) * perSymbol);
    const auto size = static_cast<std::int64_t>(points_.size());
    for (const std::int32_t index : symbols) {
        // An index outside the table is sent as an empty bin, as the linear mapper sends the origin.
        spectrum_[bins_[filled_++]] = index >= 0 && index < size ? points_[static_cast<std::size_t>(index)] : ComplexSample{};
        --remaining_;
        if (filled_ == bins_.size() || remaining_ == 0) {
            emitSymbol(out);
        }
    }
}

void OfdmMapper::emitSymbol(SampleBuffer& out) {
    // Bins left unfilled (the last, short OFDM symbol) stay empty.
    for (std::size_t k = filled_; k < bins_.size(); ++k) {
        spectrum_[bins_[k]] = {};
    }
    const std::span<const double> time = transform_->inverse(spectrum_);
    const std::size_t n = frame_.fftSize;
    const std::size_t start = out.size();
    out.resize(start + frame_.prefixLength + n);
    ComplexSample* body = out.data() + start + frame_.prefixLength;
    for (std::size_t m = 0; m < n; ++m) {
        body[m] = {time[2 * m], time[2 * m + 1]};
    }
    std::copy(body + (n - frame_.prefixLength), body + n, out.data() + start);
    filled_ = 0;
}

double ofdmSampleCount(const OfdmFrame& frame, double symbolCount) {
    const double ofdmSymbols = std::ceil(symbolCount / static_cast<double>(frame.activeCount));
    return ofdmSymbols * static_cast<double>(frame.fftSize + frame.prefixLength);
}

SampleBuffer modulateOfdm(const SymbolSequence& symbols, const OfdmFrame& frame, std::vector<ComplexSample> points) {
    SampleBuffer samples;
    OfdmMapper(frame, std::move(points), symbols.size()).append(symbols, samples);
    return samples;
}

}  // namespace quorvel
