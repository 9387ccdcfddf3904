#include "modulation/Psk.h"

#include <vector>

namespace quorvel {
namespace {

// The multiplication order is fixed so that every build produces bit-identical points.
ComplexSample pskPoint(std::int32_t index, double orderAsDouble) {
    const double theta = ((Pi * 2.0) * static_cast<double>(index)) / orderAsDouble;
    return polar(1.0, theta);
}

}  // namespace

SampleBuffer modulatePsk(const SymbolSequence& symbols, int order) {
    SampleBuffer points(symbols.size());
    const double orderAsDouble = static_cast<double>(order);
    // Only `order` angles exist: each point is computed once, by the same expression, so the
    // table holds the very bits a sine and cosine per symbol would give.
    std::vector<ComplexSample> table;
    if (order > 0 && static_cast<std::size_t>(order) <= symbols.size()) {
        table.reserve(static_cast<std::size_t>(order));
        for (std::int32_t k = 0; k < order; ++k) {
            table.push_back(pskPoint(k, orderAsDouble));
        }
    }
    const auto known = static_cast<std::int32_t>(table.size());
    for (std::size_t n = 0; n < symbols.size(); ++n) {
        const std::int32_t index = symbols[n];
        points[n] = index >= 0 && index < known ? table[static_cast<std::size_t>(index)]
                                                : pskPoint(index, orderAsDouble);
    }
    return points;
}

}  // namespace quorvel
