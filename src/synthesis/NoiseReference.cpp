#include "synthesis/NoiseReference.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

#include "channel/PulseShapes.h"
#include "export/IntegerSamples.h"
#include "modulation/NominalPower.h"
#include "modulation/SchemeCatalog.h"

namespace quorvel {
namespace {

// Samples over which the straight lines' share of the power is averaged when the sample phases
// repeat after no shorter whole number of samples: within 1e-5 of the limit.
constexpr std::int64_t kPhaseSamples = 1 << 16;
// The longest repetition of the sample phases averaged exactly, and the most symbols it may span.
constexpr std::int64_t kLongestPeriod = 1 << 20;
constexpr std::int64_t kPeriodSymbols = 4096;

// The samples after which the sample phases repeat (L q whole for the fewest symbols q), or
// kPhaseSamples when that is longer than kLongestPeriod.
std::int64_t phasePeriod(double samplesPerSymbol) {
    for (std::int64_t q = 1; q <= kPeriodSymbols; ++q) {
        const double samples = samplesPerSymbol * static_cast<double>(q);
        if (samples > static_cast<double>(kLongestPeriod)) {
            break;
        }
        if (std::abs(samples - std::round(samples)) <= 1e-9 * samples) {
            return static_cast<std::int64_t>(std::round(samples));
        }
    }
    return kPhaseSamples;
}

// The sums over the points the pulse or the straight lines take, each index once: with a pulse
// OQPSK's rails carry a bit of every symbol each, without one its mapper holds each rail for two
// symbols. Gray coding and the bit sources only relabel the points.
AlphabetSums alphabetSums(const SignalParameters& p) {
    SignalParameters plain = p;
    plain.transmitter = Transmitter{};
    plain.transmitter.pulse = p.transmitter.pulse;
    plain.transmitter.rolloff = p.transmitter.rolloff;
    plain.transmitter.span = p.transmitter.span;
    return sumAlphabet(plain, std::max(alphabetSize(p), 0));
}

// The mean point, each index equally often. The schemes with a memory have none whatever their
// indices: Pi/4-DQPSK turns by odd multiples of pi/4, OQPSK's rails take both signs alike.
ComplexSample meanPoint(const SignalParameters& p, const AlphabetSums& sums) {
    if (p.modulationType == ModulationType::Pi4Dqpsk || p.modulationType == ModulationType::Oqpsk ||
        sums.count == 0) {
        return {};
    }
    const auto n = static_cast<double>(sums.count);
    return {sums.point.i / n, sums.point.q / n};
}

// Sample n lies at n / L symbols, a fraction f past a point: its line gives (1-f)^2 + f^2 of the
// points' varying share.
double linearShare(double samplesPerSymbol) {
    const std::int64_t period = phasePeriod(samplesPerSymbol);
    double sum = 0.0;
    for (std::int64_t n = 0; n < period; ++n) {
        const double t = static_cast<double>(n) / samplesPerSymbol;
        const double f = t - std::floor(t);
        sum += (1.0 - f) * (1.0 - f) + f * f;
    }
    return sum / static_cast<double>(period);
}

// The pulse's gain for a constant point: the sum of its taps one symbol apart.
double pulseDcGain(const PulseFilter& filter) {
    const auto reach = static_cast<std::int64_t>(std::ceil(filter.halfSpan()));
    double gain = 0.0;
    for (std::int64_t k = -reach; k <= reach; ++k) {
        gain += filter.at(static_cast<double>(k));
    }
    return gain;
}

}  // namespace

double nominalNoiseReference(const SignalParameters& p) {
    if (!mapsOnePointPerSymbol(p.modulationType)) {
        return nominalMeanPower(p);
    }
    const AlphabetSums sums = alphabetSums(p);
    if (sums.count == 0) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    const double power = sums.power / static_cast<double>(sums.count);
    const double samplesPerSymbol = p.samplingRate / p.symbolRate;
    const ComplexSample mean = meanPoint(p, sums);
    const double steady = mean.i * mean.i + mean.q * mean.q;
    const double varying = power - steady;
    if (shapesPulses(p)) {
        const PulseFilter filter(p.transmitter.pulse, p.transmitter.rolloff, p.transmitter.span, samplesPerSymbol);
        const double gain = pulseDcGain(filter);
        return steady * gain * gain + varying / samplesPerSymbol;
    }
    if (p.symbolRate == p.samplingRate) {
        return power;
    }
    const double share = linearShare(samplesPerSymbol);
    // OQPSK's rails hold every other symbol period.
    return steady + varying * (p.modulationType == ModulationType::Oqpsk ? 0.5 * (1.0 + share) : share);
}

double integerFullScale(const SignalParameters& p) {
    return integerScaleOf(p) * std::sqrt(nominalNoiseReference(p));
}

double noiseReferencePower(const SignalParameters& p, double measuredPower) {
    return p.transmitter.snrReference == SnrReference::Nominal ? nominalNoiseReference(p) : measuredPower;
}

}  // namespace quorvel
