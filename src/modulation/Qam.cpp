#include "modulation/Qam.h"

#include <cmath>
#include <cstdint>

#include "modulation/Constellation.h"

namespace quorvel {

namespace {

constexpr int kCrossOrder = 32;
constexpr int kRectangleOrder = 2048;

// The larger crosses: side x side without a square of corner x corner at each corner.
struct LargeCross {
    int order;
    int side;
    int corner;
};
constexpr LargeCross kLargeCrosses[] = {{128, 12, 2}, {512, 24, 4}};

const LargeCross* largeCross(int order) {
    for (const LargeCross& cross : kLargeCrosses) {
        if (cross.order == order) {
            return &cross;
        }
    }
    return nullptr;
}

// The side of a square constellation of this order, or 0 when the order is not a positive
// perfect square.
std::int64_t squareSide(int order) {
    // Without the sign test a negative order would reach sqrt as NaN, and order 0 a side of 0,
    // whose remainders below would divide by zero.
    if (order <= 0) {
        return 0;
    }
    const auto side = static_cast<std::int64_t>(std::sqrt(static_cast<double>(order)));
    return side * side == order ? side : 0;
}

// The 6 x 6 grid without its corners; I from the outer counter, Q from the inner.
SampleBuffer crossTable() {
    SampleBuffer table;
    table.reserve(kCrossOrder);
    for (int i = 0; i < 6; ++i) {
        for (int j = 0; j < 6; ++j) {
            if ((i == 0 || i == 5) && (j == 0 || j == 5)) {
                continue;
            }
            table.push_back({static_cast<double>(2 * i - 5), static_cast<double>(2 * j - 5)});
        }
    }
    return table;
}

// 64 columns (I, the fast part of the index) by 32 rows (Q), scaled to unit peak magnitude.
SampleBuffer rectangleTable() {
    SampleBuffer table;
    table.reserve(kRectangleOrder);
    double peakEnergy = 0.0;
    for (int row = 0; row < 32; ++row) {
        for (int column = 0; column < 64; ++column) {
            const ComplexSample point{static_cast<double>(2 * column - 63),
                                      static_cast<double>(2 * row - 31)};
            const double energy = point.i * point.i + point.q * point.q;
            if (energy > peakEnergy) {
                peakEnergy = energy;
            }
            table.push_back(point);
        }
    }
    const double scale = 1.0 / std::sqrt(peakEnergy);
    for (auto& point : table) {
        point = {scale * point.i, scale * point.q};
    }
    return table;
}

// Indices outside the table map to the origin.
SampleBuffer lookUp(const SymbolSequence& symbols, const SampleBuffer& table, double scale) {
    SampleBuffer points(symbols.size());
    for (std::size_t n = 0; n < symbols.size(); ++n) {
        const std::int32_t index = symbols[n];
        if (index >= 0 && static_cast<std::size_t>(index) < table.size()) {
            const ComplexSample& entry = table[static_cast<std::size_t>(index)];
            points[n] = {scale * entry.i, scale * entry.q};
        }
    }
    return points;
}

// Computed per index, with no table and no range test on the index.
SampleBuffer squarePoints(const SymbolSequence& symbols, std::int64_t side) {
    SampleBuffer points(symbols.size());
    const double offset = static_cast<double>(side) - 1.0;
    for (std::size_t n = 0; n < symbols.size(); ++n) {
        const std::int64_t index = symbols[n];
        points[n] = {static_cast<double>(2 * (index % side)) - offset,
                     static_cast<double>(2 * (index / side)) - offset};
    }
    return points;
}

}  // namespace

bool isQamOrderSupported(int order) {
    return order == kCrossOrder || order == kRectangleOrder || largeCross(order) != nullptr || squareSide(order) != 0;
}

SampleBuffer modulateQam(const SymbolSequence& symbols, int order) {
    if (order == kCrossOrder) {
        return lookUp(symbols, crossTable(), 0.2);
    }
    if (order == kRectangleOrder) {
        return lookUp(symbols, rectangleTable(), 1.0);
    }
    if (const LargeCross* cross = largeCross(order)) {
        return mapConstellation(symbols, crossConstellation(cross->side, cross->corner));
    }
    const std::int64_t side = squareSide(order);
    if (side == 0) {
        return {};
    }
    return squarePoints(symbols, side);
}

}  // namespace quorvel
