// The linear families' tables against their defining formulas, their Gray neighbours, and the
// tone's frequency.

#include "modulation/SchemeCatalog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <map>
#include <numeric>
#include <string>

#include "modulation/PointChecks.h"

namespace quorvel {
namespace {

using testing_support::kPointTolerance;

constexpr double kConstellationPowerTolerance = 1e-12;

SignalParameters runOf(ModulationType type, std::int32_t order) {
    SignalParameters p;
    p.modulationType = type;
    setChosenOrder(p, order);
    return p;
}

// Every index of the alphabet, mapped.
SampleBuffer everyPoint(const SignalParameters& p) {
    SymbolSequence indices(static_cast<std::size_t>(alphabetSize(p)));
    std::iota(indices.begin(), indices.end(), 0);
    return mapSymbols(indices, p);
}

double constellationMeanPowerOf(const SampleBuffer& points) {
    double sum = 0.0;
    for (const ComplexSample& s : points) {
        sum += s.i * s.i + s.q * s.q;
    }
    return sum / static_cast<double>(points.size());
}

struct LevelCase {
    ModulationType type;
    std::int32_t order;
    double first;  // the unscaled level of index 0 ...
    double step;   // ... and the step to the next
};

// Unscaled levels: OOK 0, 1; ASK 0 ... M-1; PAM -(M-1) ... M-1 in steps of 2. Each scaled by the
// root of its mean square, written here in closed form.
double closedFormScale(const LevelCase& c) {
    const double m = c.order;
    if (c.first == 0.0) {
        return std::sqrt(6.0 / ((m - 1.0) * (2.0 * m - 1.0)));  // 1 / sqrt(mean of k^2, k < M)
    }
    return std::sqrt(3.0 / (m * m - 1.0));
}

TEST(Constellation, AmplitudeLevelsFollowTheirFormulaAtUnitPower) {
    const LevelCase cases[] = {
        {ModulationType::Ook, 2, 0, 1},   {ModulationType::Ask, 4, 0, 1},   {ModulationType::Ask, 8, 0, 1},
        {ModulationType::Ask, 16, 0, 1},  {ModulationType::Ask, 32, 0, 1},  {ModulationType::Ask, 64, 0, 1},
        {ModulationType::Pam, 4, -3, 2},  {ModulationType::Pam, 8, -7, 2},  {ModulationType::Pam, 16, -15, 2},
        {ModulationType::Pam, 32, -31, 2}, {ModulationType::Pam, 64, -63, 2},
    };
    for (const LevelCase& c : cases) {
        const SignalParameters p = runOf(c.type, c.order);
        const std::string context = std::string(modulationName(c.type)) + " " + std::to_string(c.order);
        const SampleBuffer points = everyPoint(p);
        ASSERT_EQ(points.size(), static_cast<std::size_t>(c.order)) << context;
        for (int k = 0; k < c.order; ++k) {
            testing_support::expectPointNear(points[static_cast<std::size_t>(k)], {(c.first + c.step * k) * closedFormScale(c), 0.0},
                                     context + " index " + std::to_string(k));
        }
        EXPECT_NEAR(constellationMeanPowerOf(points), 1.0, kConstellationPowerTolerance) << context;
    }
    EXPECT_NEAR(everyPoint(runOf(ModulationType::Ook, 2))[1].i, std::sqrt(2.0), kPointTolerance);
}

TEST(Constellation, LargerPhaseOrdersSitAtTwoPiKOverM) {
    for (const std::int32_t order : {32, 64}) {
        const SampleBuffer points = everyPoint(runOf(ModulationType::Psk, order));
        ASSERT_EQ(points.size(), static_cast<std::size_t>(order));
        for (int k = 0; k < order; ++k) {
            const double angle = 2.0 * Pi * k / order;
            testing_support::expectPointNear(points[static_cast<std::size_t>(k)], {std::cos(angle), std::sin(angle)},
                                     std::to_string(order) + "-PSK index " + std::to_string(k));
        }
    }
}

// A cross: the side x side grid of odd numbers without corner x corner at each corner; I
// counts slowly, Q fast; unit mean power.
TEST(Constellation, CrossQamIsItsGridWithoutTheCornersAtUnitPower) {
    struct Cross {
        std::int32_t order;
        int side;
        int corner;
    };
    for (const Cross c : {Cross{128, 12, 2}, Cross{512, 24, 4}}) {
        const SampleBuffer points = everyPoint(runOf(ModulationType::Qam, c.order));
        ASSERT_EQ(points.size(), static_cast<std::size_t>(c.order));
        EXPECT_NEAR(constellationMeanPowerOf(points), 1.0, kConstellationPowerTolerance) << c.order;
        // The grid's unit is the distance from the origin to the nearest I level.
        const double unit = std::abs(points[static_cast<std::size_t>(c.order / 2)].i);
        std::size_t next = 0;
        const int outer = c.side - 1 - 2 * c.corner;  // the largest odd level of the rows kept whole
        for (int i = -(c.side - 1); i <= c.side - 1; i += 2) {
            for (int q = -(c.side - 1); q <= c.side - 1; q += 2) {
                if (std::abs(i) > outer && std::abs(q) > outer) {
                    continue;
                }
                ASSERT_LT(next, points.size());
                testing_support::expectPointNear(points[next], {i * unit, q * unit},
                                         std::to_string(c.order) + "-QAM index " + std::to_string(next), 1e-9);
                ++next;
            }
        }
        EXPECT_EQ(next, points.size()) << c.order;
    }
}

TEST(Constellation, Apsk128HasFiveRingsOfSixteenInsideOneOfFortyEight) {
    const SampleBuffer points = everyPoint(runOf(ModulationType::Apsk, 128));
    ASSERT_EQ(points.size(), 128u);
    std::map<long, int> perRadius;  // radius in thousandths -> points on it
    for (const ComplexSample& s : points) {
        ++perRadius[std::lround(testing_support::magnitudeOf(s) * 1000.0)];
    }
    const std::map<long, int> expected{{1000, 16}, {1600, 16}, {2200, 16}, {2800, 16}, {3400, 16}, {4200, 48}};
    EXPECT_EQ(perRadius, expected);
}

// With Gray coding on, the labels of neighbouring points differ in exactly one bit: sorted along
// the line (or around the circle), consecutive points' indices are one bit apart.
TEST(Constellation, GrayNeighboursDifferInOneBit) {
    struct Case {
        ModulationType type;
        std::int32_t order;
        bool circle;
    };
    const Case cases[] = {{ModulationType::Ask, 4, false},  {ModulationType::Ask, 64, false},
                          {ModulationType::Pam, 8, false},  {ModulationType::Pam, 32, false},
                          {ModulationType::Psk, 32, true},  {ModulationType::Psk, 64, true}};
    for (const Case& c : cases) {
        SignalParameters p = runOf(c.type, c.order);
        p.transmitter.gray = true;
        const std::vector<std::int32_t> sentAt = grayIndexTable(p);
        ASSERT_EQ(sentAt.size(), static_cast<std::size_t>(c.order));
        SymbolSequence indices(sentAt.size());
        std::iota(indices.begin(), indices.end(), 0);
        SymbolSequence positions(indices.size());
        std::transform(indices.begin(), indices.end(), positions.begin(),
                       [&](std::int32_t k) { return sentAt[static_cast<std::size_t>(k)]; });
        const SampleBuffer points = mapSymbols(positions, p);
        const auto key = [&](std::int32_t k) {
            const ComplexSample& s = points[static_cast<std::size_t>(k)];
            return c.circle ? std::fmod(std::atan2(s.q, s.i) + 2.0 * Pi, 2.0 * Pi) : s.i;
        };
        std::sort(indices.begin(), indices.end(), [&](std::int32_t a, std::int32_t b) { return key(a) < key(b); });
        const std::size_t pairs = c.circle ? indices.size() : indices.size() - 1;
        for (std::size_t n = 0; n < pairs; ++n) {
            const auto a = static_cast<std::uint32_t>(indices[n]);
            const auto b = static_cast<std::uint32_t>(indices[(n + 1) % indices.size()]);
            EXPECT_EQ(std::popcount(a ^ b), 1) << modulationName(c.type) << c.order << " labels " << a << ", " << b;
        }
    }
}

// The tone's instantaneous frequency, from the phase step between samples, is the one asked for,
// over piece boundaries too.
TEST(Tone, PhaseAdvancesByTwoPiFOverFsEverySample) {
    struct Case {
        double toneHz;
        double samplingRateHz;
    };
    for (const Case c : {Case{1234.5, 10000.0}, Case{-3000.0, 8000.0}, Case{0.0, 1000.0}, Case{4999.0, 10000.0}}) {
        SignalParameters p;
        p.modulationType = ModulationType::Tone;
        p.samplingRate = c.samplingRateHz;
        p.symbolRate = c.samplingRateHz / 8.0;
        p.values["tone"] = c.toneHz;
        const SymbolSequence symbols(40, 0);
        SampleBuffer pieces;
        const auto mapper = makeBlockMapper(p);
        for (std::size_t first = 0; first < symbols.size(); first += 13) {
            const auto end = symbols.begin() + static_cast<std::ptrdiff_t>(std::min(first + 13, symbols.size()));
            mapper->append(SymbolSequence(symbols.begin() + static_cast<std::ptrdiff_t>(first), end), pieces);
        }
        ASSERT_EQ(pieces.size(), 40u * 8u);
        const double step = 2.0 * Pi * c.toneHz / c.samplingRateHz;
        testing_support::expectPointNear(pieces[0], {1.0, 0.0}, "the first sample");
        for (std::size_t n = 0; n + 1 < pieces.size(); ++n) {
            EXPECT_NEAR(testing_support::magnitudeOf(pieces[n]), 1.0, kPointTolerance);
            // arg(s[n+1] conj(s[n])): the phase step, whatever the absolute phase.
            const ComplexSample& a = pieces[n];
            const ComplexSample& b = pieces[n + 1];
            const double measured = std::atan2(b.q * a.i - b.i * a.q, b.i * a.i + b.q * a.q);
            EXPECT_NEAR(measured, step, 1e-9) << c.toneHz << " Hz, sample " << n;
        }
    }
}

}  // namespace
}  // namespace quorvel
