#include "modulation/Constellation.h"

#include <cmath>

namespace quorvel {
namespace {

Constellation scaledToUnitPower(Constellation c) {
    const double scale = 1.0 / std::sqrt(meanPower(c));
    for (ComplexSample& point : c.points) {
        point = {scale * point.i, scale * point.q};
    }
    return c;
}

// Levels first, first + step ... on the I axis.
Constellation levels(int order, double first, double step) {
    Constellation c;
    c.points.reserve(static_cast<std::size_t>(order));
    for (int k = 0; k < order; ++k) {
        c.points.push_back({first + step * k, 0.0});
    }
    return c;
}

}  // namespace

Constellation ookConstellation() {
    return askConstellation(2);
}

Constellation askConstellation(int order) {
    return scaledToUnitPower(levels(order, 0.0, 1.0));
}

Constellation pamConstellation(int order) {
    return scaledToUnitPower(levels(order, 1.0 - order, 2.0));
}

Constellation crossConstellation(int side, int cornerSide) {
    Constellation c;
    const auto inCorner = [side, cornerSide](int k) { return k < cornerSide || k >= side - cornerSide; };
    for (int i = 0; i < side; ++i) {
        for (int j = 0; j < side; ++j) {
            if (inCorner(i) && inCorner(j)) {
                continue;
            }
            c.points.push_back({static_cast<double>(2 * i - (side - 1)), static_cast<double>(2 * j - (side - 1))});
        }
    }
    return scaledToUnitPower(std::move(c));
}

double meanPower(const Constellation& c) {
    double sum = 0.0;
    for (const ComplexSample& point : c.points) {
        sum += point.i * point.i + point.q * point.q;
    }
    return c.points.empty() ? 0.0 : sum / static_cast<double>(c.points.size());
}

SampleBuffer mapConstellation(std::span<const std::int32_t> symbols, const Constellation& c) {
    SampleBuffer points(symbols.size());
    const auto size = static_cast<std::int64_t>(c.points.size());
    for (std::size_t n = 0; n < symbols.size(); ++n) {
        const std::int64_t index = symbols[n];
        if (index >= 0 && index < size) {
            points[n] = c.points[static_cast<std::size_t>(index)];
        }
    }
    return points;
}

}  // namespace quorvel
