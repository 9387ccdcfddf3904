#include "modulation/Apsk.h"
#include "modulation/SchemeCatalog.h"

#include "modulation/PointChecks.h"

#include <gtest/gtest.h>

#include <numeric>

namespace quorvel {
namespace {

using testing_support::expectPointNear;

TEST(Apsk, DefaultRingTablesOfEachOrder) {
    const struct {
        int order;
        std::vector<int> sizes;
        std::vector<double> radii;
    } cases[] = {
        {16, {4, 12}, {0.5, 1.5}},
        {32, {4, 12, 16}, {0.3, 0.7, 1.2}},
        {64, {8, 12, 20, 24}, {0.8, 1.2, 2.0, 2.5}},
        {8, {4, 12}, {0.5, 1.5}},
        {0, {4, 12}, {0.5, 1.5}},
    };
    for (const auto& c : cases) {
        const ApskRings rings = defaultApskRings(c.order);
        EXPECT_EQ(rings.ringSizes, c.sizes) << "order " << c.order;
        EXPECT_EQ(rings.ringRadii, c.radii) << "order " << c.order;
    }
}

TEST(Apsk, DefaultTablesPlaceEveryIndexOnItsRingFromAngleZero) {
    const struct {
        int order;
        std::int32_t first;
        std::int32_t last;
        double radius;
        int pointsOnRing;
    } rings[] = {
        {16, 0, 3, 0.5, 4},   {16, 4, 15, 1.5, 12},  {32, 0, 3, 0.3, 4},
        {32, 4, 15, 0.7, 12}, {32, 16, 31, 1.2, 16}, {64, 0, 7, 0.8, 8},
        {64, 8, 19, 1.2, 12}, {64, 20, 39, 2.0, 20}, {64, 40, 63, 2.5, 24},
    };
    for (const auto& r : rings) {
        const ApskRings table = defaultApskRings(r.order);
        EXPECT_EQ(std::accumulate(table.ringSizes.begin(), table.ringSizes.end(), 0), r.order);
        for (std::int32_t k = r.first; k <= r.last; ++k) {
            const auto points = modulateApsk({k}, table.ringSizes, table.ringRadii);
            ASSERT_EQ(points.size(), 1u);
            const double angle = 2.0 * Pi * (k - r.first) / r.pointsOnRing;
            expectPointNear(points[0], {r.radius * std::cos(angle), r.radius * std::sin(angle)},
                            "order " + std::to_string(r.order) + " k=" + std::to_string(k));
        }
    }
    const ApskRings table64 = defaultApskRings(64);
    EXPECT_EQ(modulateApsk({40, 20}, table64.ringSizes, table64.ringRadii),
              (SampleBuffer{{2.5, 0.0}, {2.0, 0.0}}));
}

TEST(Apsk, RadiiTextIsReadUpToTheFirstThingThatIsNotANumber) {
    const struct {
        std::string text;
        std::vector<double> expected;
    } cases[] = {
        {"0.8 1.2 2.0 2.5", {0.8, 1.2, 2.0, 2.5}},
        {"1 2 x 3", {1, 2}},
        {"0.5,1.5", {0.5}},
        {"", {}},
        {"   ", {}},
        {" \t0.4\n1.0  ", {0.4, 1.0}},
        {"-0.5 1e0", {-0.5, 1.0}},
        {"abc 1 2", {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parseApskRadii(c.text), c.expected) << '"' << c.text << '"';
    }
}

TEST(Apsk, TwoOrMoreParsedRadiiReplaceTheDefaultsWhateverTheirCount) {
    const std::vector<double> defaults{0.5, 1.5};
    const std::vector<std::vector<double>> keep = {{}, {0.9}};
    const std::vector<std::vector<double>> replace = {{0.4, 1.0}, {0.3, 0.7, 1.2}, {1, 2, 3, 4, 5}};
    for (const auto& parsed : keep) {
        EXPECT_EQ(chooseApskRadii(defaults, parsed), defaults) << parsed.size() << " numbers";
    }
    for (const auto& parsed : replace) {
        EXPECT_EQ(chooseApskRadii(defaults, parsed), parsed) << parsed.size() << " numbers";
    }
}

// The run's own sequence: default table of the order, radii chosen from the text, then mapping.
SampleBuffer mapWithRadiiText(const SymbolSequence& symbols, int order, const std::string& text) {
    const ApskRings rings = defaultApskRings(order);
    return modulateApsk(symbols, rings.ringSizes,
                        chooseApskRadii(rings.ringRadii, parseApskRadii(text)));
}

TEST(Apsk, TypedRadiiTakeEffectOnlyWhenTheyMatchTheRings) {
    const struct {
        std::string text;
        SampleBuffer expected;  // of indices 4 and 0 of order 16; empty when refused
    } cases[] = {
        {"0.4 1.0", {{1.0, 0.0}, {0.4, 0.0}}}, {"0.9", {{1.5, 0.0}, {0.5, 0.0}}},
        {"", {{1.5, 0.0}, {0.5, 0.0}}},        {"0.3 0.7 1.2", {}},
        {"0.3,0.7", {{1.5, 0.0}, {0.5, 0.0}}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(mapWithRadiiText({4, 0}, 16, c.text), c.expected) << '"' << c.text << '"';
    }
}

TEST(Apsk, RadiiAreUsedUnchangedEvenZeroOrNegative) {
    const std::vector<int> sizes{4, 12};
    const auto atOrigin = modulateApsk({0, 1, 2, 3}, sizes, {0.0, 1.5});
    for (const auto& p : atOrigin) {
        EXPECT_EQ(p, (ComplexSample{0.0, 0.0}));
    }
    // A negative radius puts each point opposite its angle.
    const auto opposite = modulateApsk({1, 7}, sizes, {-0.5, -1.5});
    expectPointNear(opposite[0], {0.0, -0.5}, "k=1");
    expectPointNear(opposite[1], {-1.5 * std::cos(Pi / 2), -1.5}, "k=7");
}

TEST(Apsk, IndexOutsideTheTableMapsToTheOrigin) {
    const ApskRings rings = defaultApskRings(16);
    EXPECT_EQ(modulateApsk({16, -1, 1000}, rings.ringSizes, rings.ringRadii),
              (SampleBuffer{{0, 0}, {0, 0}, {0, 0}}));
}

TEST(Apsk, RefusesEmptyOrMismatchedRingTables) {
    const struct {
        std::vector<int> sizes;
        std::vector<double> radii;
    } cases[] = {
        {{}, {}}, {{}, {1.0}}, {{4}, {}}, {{4, 12}, {0.5}}, {{4, 12}, {0.5, 1.0, 1.5}},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(modulateApsk({0, 1}, c.sizes, c.radii).empty())
            << c.sizes.size() << " rings, " << c.radii.size() << " radii";
    }
}

TEST(Apsk, EmptyInputGivesEmptyOutput) {
    const ApskRings rings = defaultApskRings(32);
    EXPECT_TRUE(modulateApsk({}, rings.ringSizes, rings.ringRadii).empty());
}

}  // namespace
}  // namespace quorvel
