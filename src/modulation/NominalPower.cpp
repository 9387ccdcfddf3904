#include "modulation/NominalPower.h"

#include <limits>
#include <numeric>

#include "modulation/SchemeCatalog.h"

namespace quorvel {

double nominalMeanPower(const SignalParameters& p) {
    const Scheme* scheme = findScheme(p.modulationType);
    const std::int32_t size = alphabetSize(p);
    if (scheme == nullptr || size < 1) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    if (!scheme->resampled && scheme->samplesPerFile == nullptr) {
        return 1.0;
    }
    if (!scheme->resampled) {
        // A family with a length of its own may hold silence (LFM's gaps): one symbol's mean
        // power, each symbol being as strong as any other.
        if (scheme->refusal != nullptr && scheme->refusal(p)) {
            return std::numeric_limits<double>::quiet_NaN();
        }
        const SampleBuffer one = mapSymbols(SymbolSequence{0}, p);
        double sum = 0.0;
        for (const ComplexSample& s : one) {
            sum += s.i * s.i + s.q * s.q;
        }
        return one.empty() ? std::numeric_limits<double>::quiet_NaN() : sum / static_cast<double>(one.size());
    }
    // The mapper's own points: no pulse (OQPSK's pulse takes other points), no Gray relabelling.
    SignalParameters plain = p;
    plain.transmitter = Transmitter{};
    SymbolSequence every(static_cast<std::size_t>(size));
    std::iota(every.begin(), every.end(), 0);
    const SampleBuffer points = mapSymbols(every, plain);
    if (points.empty()) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    double sum = 0.0;
    for (const ComplexSample& point : points) {
        sum += point.i * point.i + point.q * point.q;
    }
    return sum / static_cast<double>(points.size());
}

}  // namespace quorvel
