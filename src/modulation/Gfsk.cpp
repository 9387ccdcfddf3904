#include "modulation/Gfsk.h"

#include <algorithm>
#include <cmath>

namespace quorvel {
namespace {

// The standard deviation [symbol periods] of the Gaussian whose 3 dB bandwidth is BT / T.
double gaussianSigma(double bandwidthTime) {
    return std::sqrt(std::log(2.0)) / (2.0 * Pi * bandwidthTime);
}

// x Phi(x) + phi(x): the integral of the standard normal distribution function up to x.
double integratedNormalCdf(double x) {
    const double cdf = 0.5 * std::erfc(-x / std::sqrt(2.0));
    const double density = std::exp(-0.5 * x * x) / std::sqrt(2.0 * Pi);
    return x * cdf + density;
}

// The unit rectangle convolved with the Gaussian, integrated from -infinity: closed form.
double untruncatedPhasePulse(double timeSymbols, double sigma) {
    return sigma * (integratedNormalCdf((timeSymbols + 0.5) / sigma) - integratedNormalCdf((timeSymbols - 0.5) / sigma));
}

}  // namespace

std::size_t gfskPulseNeighbours(double bandwidthTime) {
    return static_cast<std::size_t>(std::ceil(4.0 * gaussianSigma(bandwidthTime)));
}

double gfskPhasePulse(double timeSymbols, double bandwidthTime) {
    const double halfSpan = static_cast<double>(gfskPulseNeighbours(bandwidthTime)) + 0.5;
    if (timeSymbols <= -halfSpan) {
        return 0.0;
    }
    if (timeSymbols >= halfSpan) {
        return 1.0;
    }
    const double sigma = gaussianSigma(bandwidthTime);
    const double start = untruncatedPhasePulse(-halfSpan, sigma);
    const double end = untruncatedPhasePulse(halfSpan, sigma);
    return (untruncatedPhasePulse(timeSymbols, sigma) - start) / (end - start);
}

GfskMapper::GfskMapper(int order, double modulationIndex, double bandwidthTime, std::size_t symbolCount,
                       std::size_t perSymbol)
    : order_(order), modulationIndex_(modulationIndex), neighbours_(gfskPulseNeighbours(bandwidthTime)),
      count_(symbolCount), perSymbol_(perSymbol) {
    const auto reach = static_cast<std::ptrdiff_t>(neighbours_);
    pulse_.reserve(static_cast<std::size_t>(2 * reach + 1) * perSymbol_);
    for (std::ptrdiff_t r = -reach; r <= reach; ++r) {
        for (std::size_t n = 0; n < perSymbol_; ++n) {
            const double time =
                static_cast<double>(r) + static_cast<double>(n) / static_cast<double>(perSymbol_) - 0.5;
            pulse_.push_back(gfskPhasePulse(time, bandwidthTime));
        }
    }
}

double GfskMapper::turn(std::int32_t index) const {
    return Pi * modulationIndex_ * (2.0 * index - (order_ - 1));
}

void GfskMapper::append(std::span<const std::int32_t> symbols, SampleBuffer& out) {
    window_.insert(window_.end(), symbols.begin(), symbols.end());
    const std::size_t received = first_ + window_.size();
    const std::size_t reach = neighbours_;
    out.reserve(out.size() + symbols.size() * perSymbol_);
    // Symbol k's samples need every symbol up to k + reach that the sequence has.
    while (next_ < count_ && received > std::min(next_ + reach, count_ - 1)) {
        if (next_ > reach) {
            // The pulse of symbol next_ - reach - 1 ended where next_ begins.
            settledPhase_ = std::remainder(settledPhase_ + turn(window_[next_ - reach - 1 - first_]), 2.0 * Pi);
        }
        const std::size_t lowest = next_ > reach ? next_ - reach : 0;
        const std::size_t highest = std::min(next_ + reach, count_ - 1);
        for (std::size_t n = 0; n < perSymbol_; ++n) {
            double phase = settledPhase_;
            for (std::size_t j = lowest; j <= highest; ++j) {
                const std::size_t row = next_ + reach - j;  // r = next_ - j, counted from -reach
                phase += turn(window_[j - first_]) * pulse_[row * perSymbol_ + n];
            }
            out.push_back(polar(1.0, phase));
        }
        ++next_;
    }
    // The next symbol reads back to next_ - reach - 1 at the earliest.
    const std::size_t keepFrom = next_ > reach + 1 ? next_ - reach - 1 : 0;
    if (keepFrom > first_) {
        window_.erase(window_.begin(), window_.begin() + static_cast<std::ptrdiff_t>(keepFrom - first_));
        first_ = keepFrom;
    }
}

SampleBuffer modulateGfsk(const SymbolSequence& symbols, int order, double modulationIndex, double bandwidthTime,
                          std::size_t perSymbol) {
    SampleBuffer samples;
    GfskMapper(order, modulationIndex, bandwidthTime, symbols.size(), perSymbol).append(symbols, samples);
    return samples;
}

}  // namespace quorvel
