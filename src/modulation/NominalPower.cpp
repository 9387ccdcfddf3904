#include "modulation/NominalPower.h"

#include <algorithm>
#include <limits>
#include <numeric>

#include "modulation/SchemeCatalog.h"

namespace quorvel {

AlphabetSums sumAlphabet(const SignalParameters& mapping, std::int32_t size) {
    constexpr std::int32_t kBlock = 4096;
    AlphabetSums sums;
    SymbolSequence block;
    for (std::int32_t first = 0; first < size; first += std::min(kBlock, size - first)) {
        block.resize(static_cast<std::size_t>(std::min(kBlock, size - first)));
        std::iota(block.begin(), block.end(), first);
        const SampleBuffer points = mapSymbols(block, mapping);
        for (const ComplexSample& point : points) {
            sums.power += point.i * point.i + point.q * point.q;
            sums.point.i += point.i;
            sums.point.q += point.q;
        }
        sums.count += static_cast<std::int64_t>(points.size());
    }
    return sums;
}

double nominalMeanPower(const SignalParameters& p) {
    const Scheme* scheme = findScheme(p.modulationType);
    const std::int32_t size = alphabetSize(p);
    if (scheme == nullptr || size < 1) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    if (scheme->nominalPower != nullptr) {
        return scheme->nominalPower(p);
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
    const AlphabetSums sums = sumAlphabet(plain, size);
    if (sums.count == 0) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    return sums.power / static_cast<double>(sums.count);
}

}  // namespace quorvel
