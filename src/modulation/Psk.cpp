#include "modulation/Psk.h"

namespace quorvel {

SampleBuffer modulatePsk(const SymbolSequence& symbols, int order) {
    SampleBuffer points(symbols.size());
    const double orderAsDouble = static_cast<double>(order);
    for (std::size_t n = 0; n < symbols.size(); ++n) {
        // The multiplication order is fixed so that every build produces bit-identical points.
        const double theta = ((Pi * 2.0) * static_cast<double>(symbols[n])) / orderAsDouble;
        points[n] = polar(1.0, theta);
    }
    return points;
}

}  // namespace quorvel
