#include "modulation/Gmsk.h"

#include "modulation/Msk.h"
#include "modulation/SamplesPerSymbol.h"

#include <algorithm>
#include <cmath>

namespace quorvel {

namespace {

// Beyond 3 symbol periods from its centre a pulse is within 1e-9 of its end value, far below
// any receiver's resolution, so it is cut there and rescaled to reach 0 and 1 exactly; the
// phase therefore stays continuous where a pulse is cut.
constexpr double kPulseHalfSpanSymbols = 3.0;
// A sample of symbol k lies in [k, k + 1), so symbol k - r is partway through its pulse only
// for |r| <= this; symbols further back have completed their step, those further ahead not begun.
constexpr std::ptrdiff_t kActiveNeighbours = 3;
static_assert(static_cast<double>(kActiveNeighbours) + 0.5 >= kPulseHalfSpanSymbols);

// The integral of the standard normal distribution function from -infinity to x.
double integratedNormalCdf(double x) {
    const double cdf = 0.5 * std::erfc(-x / std::sqrt(2.0));
    const double density = std::exp(-0.5 * x * x) / std::sqrt(2.0 * Pi);
    return x * cdf + density;
}

// The phase pulse before truncation, in closed form: the frequency pulse is the unit rectangle
// convolved with a Gaussian of standard deviation sigma, whose integral is sigma times the
// difference of integratedNormalCdf at the rectangle's two edges.
double untruncatedPhasePulse(double timeSymbols) {
    const double sigma = std::sqrt(std::log(2.0)) / (2.0 * Pi * kGmskBandwidthTime);
    return sigma * (integratedNormalCdf((timeSymbols + 0.5) / sigma) -
                    integratedNormalCdf((timeSymbols - 0.5) / sigma));
}

// pulse[(r + kActiveNeighbours) * perSymbol + n]: the pulse of symbol k - r at sample n of
// symbol k. It depends only on r and n, so it is computed once per call.
std::vector<double> phasePulseTable(std::size_t perSymbol, double samplesPerSymbol) {
    std::vector<double> table;
    table.reserve(static_cast<std::size_t>(2 * kActiveNeighbours + 1) * perSymbol);
    for (std::ptrdiff_t r = -kActiveNeighbours; r <= kActiveNeighbours; ++r) {
        for (std::size_t n = 0; n < perSymbol; ++n) {
            const double offset = static_cast<double>(n) / samplesPerSymbol - 0.5;
            table.push_back(gmskPhasePulse(static_cast<double>(r) + offset));
        }
    }
    return table;
}

// The part of the phase at sample n of symbol k that comes from symbols whose pulses are still
// moving: those within kActiveNeighbours of k.
// window holds the symbols from index `first` of a sequence of `count` symbols on, at least those
// within kActiveNeighbours of k.
double movingPhase(std::span<const std::int32_t> window, std::size_t first, std::size_t count,
                   std::size_t k, std::size_t n, const std::vector<double>& pulse, std::size_t perSymbol) {
    const auto current = static_cast<std::ptrdiff_t>(k);
    double phase = 0.0;
    for (std::ptrdiff_t r = -kActiveNeighbours; r <= kActiveNeighbours; ++r) {
        const std::ptrdiff_t j = current - r;
        if (j < 0 || j >= static_cast<std::ptrdiff_t>(count)) {
            continue;
        }
        const auto row = static_cast<std::size_t>(r + kActiveNeighbours);
        phase += mskPhaseStep(window[static_cast<std::size_t>(j) - first]) * pulse[row * perSymbol + n];
    }
    return phase;
}

}  // namespace

double gmskPhasePulse(double timeSymbols) {
    if (timeSymbols <= -kPulseHalfSpanSymbols) {
        return 0.0;
    }
    if (timeSymbols >= kPulseHalfSpanSymbols) {
        return 1.0;
    }
    const double start = untruncatedPhasePulse(-kPulseHalfSpanSymbols);
    const double end = untruncatedPhasePulse(kPulseHalfSpanSymbols);
    return (untruncatedPhasePulse(timeSymbols) - start) / (end - start);
}

SampleBuffer modulateGmsk(const SymbolSequence& symbols, double samplesPerSymbol) {
    const std::size_t perSymbol = wholeSamplesPerSymbol(samplesPerSymbol);
    const auto total = keyedSampleCount(symbols.size(), perSymbol);
    if (!total || *total == 0) {
        return {};
    }
    const std::vector<double> pulse = phasePulseTable(perSymbol, samplesPerSymbol);
    SampleBuffer samples;
    samples.reserve(*total);
    // The steps of the symbols whose pulses have completed, as MSK's accumulator holds them.
    double settledPhase = 0.0;
    for (std::size_t k = 0; k < symbols.size(); ++k) {
        const auto neighbours = static_cast<std::size_t>(kActiveNeighbours);
        if (k > neighbours) {
            settledPhase += mskPhaseStep(symbols[k - neighbours - 1]);
        }
        for (std::size_t n = 0; n < perSymbol; ++n) {
            const double phase = settledPhase + movingPhase(symbols, 0, symbols.size(), k, n, pulse, perSymbol);
            samples.push_back(polar(1.0, phase));
        }
    }
    return samples;
}

GmskMapper::GmskMapper(std::size_t symbolCount, double samplesPerSymbol)
    : count_(symbolCount), perSymbol_(wholeSamplesPerSymbol(samplesPerSymbol)),
      pulse_(phasePulseTable(perSymbol_, samplesPerSymbol)) {}

void GmskMapper::append(std::span<const std::int32_t> symbols, SampleBuffer& out) {
    window_.insert(window_.end(), symbols.begin(), symbols.end());
    const std::size_t received = first_ + window_.size();
    const auto neighbours = static_cast<std::size_t>(kActiveNeighbours);
    // Symbol k's samples need every symbol up to k + kActiveNeighbours that the sequence has.
    while (next_ < count_ && received > std::min(next_ + neighbours, count_ - 1)) {
        if (next_ > neighbours) {
            settledPhase_ += mskPhaseStep(window_[next_ - neighbours - 1 - first_]);
        }
        for (std::size_t n = 0; n < perSymbol_; ++n) {
            const double phase = settledPhase_ + movingPhase(window_, first_, count_, next_, n, pulse_, perSymbol_);
            out.push_back(polar(1.0, phase));
        }
        ++next_;
    }
    // The next symbol reads back to next_ - kActiveNeighbours - 1 at the earliest.
    const std::size_t keepFrom = next_ > neighbours + 1 ? next_ - neighbours - 1 : 0;
    if (keepFrom > first_) {
        window_.erase(window_.begin(), window_.begin() + static_cast<std::ptrdiff_t>(keepFrom - first_));
        first_ = keepFrom;
    }
}

}  // namespace quorvel
