// Gray coding through the real mappers: the indices of every pair of nearest neighbours (points
// at the constellation's smallest distance, or neighbouring tones and increments) differ in one bit.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <numeric>

#include "modulation/SchemeCatalog.h"

namespace quorvel {
namespace {

SignalParameters grayRun(ModulationType type, std::int32_t order) {
    SignalParameters p;
    p.modulationType = type;
    setChosenOrder(p, order);
    p.transmitter.gray = true;
    return p;
}

// The points of indices 0 ... M-1 through Gray coding and the scheme's mapper.
SampleBuffer grayPoints(const SignalParameters& p) {
    SymbolSequence indices(static_cast<std::size_t>(alphabetSize(p)));
    std::iota(indices.begin(), indices.end(), 0);
    const auto table = grayIndexTable(p);
    for (auto& index : indices) index = table.empty() ? index : table[static_cast<std::size_t>(index)];
    return mapSymbols(indices, p);
}

struct GrayCodeCase {
    ModulationType type;
    std::int32_t order;
};

TEST(GrayCode, NearestNeighboursDifferInOneBit) {
    for (const GrayCodeCase c : {GrayCodeCase{ModulationType::Psk, 4}, GrayCodeCase{ModulationType::Psk, 8}, GrayCodeCase{ModulationType::Psk, 16},
                         GrayCodeCase{ModulationType::Qam, 16}, GrayCodeCase{ModulationType::Qam, 64}, GrayCodeCase{ModulationType::Qam, 256},
                         GrayCodeCase{ModulationType::Qam, 1024}, GrayCodeCase{ModulationType::Qam, 2048},
                         GrayCodeCase{ModulationType::Oqpsk, 0}}) {
        SignalParameters p = grayRun(c.type, c.order);
        p.transmitter.pulse = PulseShape::RootRaisedCosine;  // OQPSK's rails then carry a point per symbol
        const SampleBuffer points = grayPoints(p);
        double nearest = INFINITY;
        for (std::size_t a = 0; a < points.size(); ++a)
            for (std::size_t b = a + 1; b < points.size(); ++b)
                nearest = std::min(nearest, std::hypot(points[a].i - points[b].i, points[a].q - points[b].q));
        int pairs = 0;
        for (std::size_t a = 0; a < points.size(); ++a) {
            for (std::size_t b = a + 1; b < points.size(); ++b) {
                if (std::hypot(points[a].i - points[b].i, points[a].q - points[b].q) < nearest * (1 + 1e-9)) {
                    ++pairs;
                    EXPECT_EQ(std::popcount(static_cast<unsigned>(a ^ b)), 1) << c.order << ": " << a << ", " << b;
                }
            }
        }
        EXPECT_GT(pairs, 0);
    }
}

TEST(GrayCode, NeighbouringTonesAndIncrementsDifferInOneBit) {
    // FSK's tone and Pi/4-DQPSK's increment of index k are the mapper's position table[k].
    for (const GrayCodeCase c : {GrayCodeCase{ModulationType::Fsk, 8}, GrayCodeCase{ModulationType::Pi4Dqpsk, 0}}) {
        const auto table = grayIndexTable(grayRun(c.type, c.order));
        std::vector<unsigned> labelAt(table.size());
        for (std::size_t k = 0; k < table.size(); ++k) labelAt[static_cast<std::size_t>(table[k])] = static_cast<unsigned>(k);
        for (std::size_t position = 0; position < table.size(); ++position) {
            const unsigned next = labelAt[(position + 1) % table.size()];
            EXPECT_EQ(std::popcount(labelAt[position] ^ next), 1) << position;
        }
    }
}

TEST(GrayCode, SchemesWithoutAUniqueMapHaveNone) {
    EXPECT_FALSE(grayChoice(grayRun(ModulationType::Qam, 32)).map);
    EXPECT_FALSE(grayChoice(grayRun(ModulationType::Apsk, 16)).map);
}

}  // namespace
}  // namespace quorvel
