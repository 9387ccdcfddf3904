// The reductions on their own: which points and dots survive, and that nothing that decides a
// pixel is lost (the pixel identity itself is checked on images in PlotPaintingTest).

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>

#include "display/ReferencePlotGeometry.h"
#include "display/widgets/PlotReduction.h"

namespace quorvel {
namespace {

using Points = std::vector<PixelPoint>;
using Boxes = std::vector<DotBox>;

TEST(CollapseColumns, KeepsFirstExtremesAndLastOfEachColumnRun) {
    // Every case ends in a column of its own, (9, 0), so that the runs before it are collapsed.
    struct Case {
        Points in;
        Points out;
    };
    const Case cases[] = {
        {{{0, 5}, {0, 5}, {0, 5}, {9, 0}}, {{0, 5}, {9, 0}}},
        {{{0, 5}, {0, 3}, {0, 9}, {0, 4}, {9, 0}}, {{0, 5}, {0, 3}, {0, 9}, {0, 4}, {9, 0}}},
        {{{0, 1}, {0, 9}, {0, 2}, {0, 8}, {0, 3}, {9, 0}}, {{0, 1}, {0, 9}, {0, 3}, {9, 0}}},
        {{{0, 6}, {0, 2}, {0, 5}, {0, 9}, {0, 7}, {0, 6}, {9, 0}},
         {{0, 6}, {0, 2}, {0, 9}, {0, 6}, {9, 0}}},
        // The highest point comes before the lowest: they stay in that order.
        {{{2, 5}, {2, 9}, {2, 6}, {2, 1}, {2, 5}, {9, 0}},
         {{2, 5}, {2, 9}, {2, 1}, {2, 5}, {9, 0}}},
        // A column visited twice is two runs; runs of one point pass unchanged.
        {{{0, 0}, {1, 3}, {0, 2}, {0, 7}, {0, 1}, {9, 0}},
         {{0, 0}, {1, 3}, {0, 2}, {0, 7}, {0, 1}, {9, 0}}},
        {{{5, 1}, {5, 2}, {5, 3}, {5, 4}, {6, 0}, {6, 0}, {7, -3}, {9, 0}},
         {{5, 1}, {5, 4}, {6, 0}, {7, -3}, {9, 0}}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(collapseColumns(c.in), c.out);
    }
}

// Whether the polyline's last point is drawn depends on every point of the last run (5, 9, 3, 4, 3
// draws row 3 through the segment 3 -> 4, 5, 9, 3 would not), so that run stays whole.
TEST(CollapseColumns, KeepsTheFinalRunWholeApartFromRepeats) {
    struct Case {
        Points in;
        Points out;
    };
    const Case cases[] = {
        {{}, {}},
        {{{3, 4}}, {{3, 4}}},
        {{{0, 5}, {0, 5}, {0, 5}}, {{0, 5}}},
        {{{0, 5}, {0, 9}, {0, 3}, {0, 4}, {0, 3}}, {{0, 5}, {0, 9}, {0, 3}, {0, 4}, {0, 3}}},
        {{{1, 1}, {2, 5}, {2, 9}, {2, 9}, {2, 3}, {2, 4}, {2, 3}},
         {{1, 1}, {2, 5}, {2, 9}, {2, 3}, {2, 4}, {2, 3}}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(collapseColumns(c.in), c.out);
    }
}

// Per column run: the same first point, last point, lowest and highest y, and at most four points.
TEST(CollapseColumns, RandomRunsKeepTheirEndsAndExtent) {
    std::mt19937 engine(11);
    for (int trial = 0; trial < 200; ++trial) {
        Points in;
        std::uniform_int_distribution<int> run(1, 40);
        std::uniform_int_distribution<int> y(-5, 60);
        for (int x = 0; x < 30; ++x) {
            for (int k = run(engine); k > 0; --k) {
                in.push_back({x, y(engine)});
            }
        }
        const Points out = collapseColumns(in);
        std::map<int, Points> inByColumn;
        std::map<int, Points> outByColumn;
        for (const PixelPoint& p : in) {
            inByColumn[p.x].push_back(p);
        }
        for (const PixelPoint& p : out) {
            outByColumn[p.x].push_back(p);
        }
        inByColumn.erase(in.back().x);  // the final run is kept whole
        for (const auto& [x, column] : inByColumn) {
            const Points& kept = outByColumn[x];
            ASSERT_FALSE(kept.empty());
            EXPECT_LE(kept.size(), 4U);
            EXPECT_EQ(kept.front(), column.front());
            EXPECT_EQ(kept.back(), column.back());
            const auto byY = [](PixelPoint a, PixelPoint b) { return a.y < b.y; };
            EXPECT_EQ(std::min_element(kept.begin(), kept.end(), byY)->y,
                      std::min_element(column.begin(), column.end(), byY)->y);
            EXPECT_EQ(std::max_element(kept.begin(), kept.end(), byY)->y,
                      std::max_element(column.begin(), column.end(), byY)->y);
        }
        for (std::size_t k = 1; k < out.size(); ++k) {
            EXPECT_FALSE(out[k] == out[k - 1]);
        }
    }
}

TEST(DropRepaintedDots, KeepsTheLastDotOfEachBoxInDrawingOrder) {
    const DotBox a{0, 0, 4, 4};
    const DotBox b{2, 1, 6, 5};
    const DotBox c{10, 10, 14, 14};
    struct Case {
        Boxes in;
        Boxes out;
    };
    const Case cases[] = {
        {{}, {}},
        {{a}, {a}},
        {{a, a, a}, {a}},
        {{a, b, a}, {b, a}},
        {{a, b, c, b, a, c}, {b, a, c}},
        {{b, a, b}, {a, b}},
    };
    for (const Case& cs : cases) {
        EXPECT_EQ(dropRepaintedDots(cs.in, 20, 20), cs.out);
    }
}

TEST(DropRepaintedDots, DropsDotsWhollyOutsideTheCanvasOnly) {
    const Boxes in = {
        {-4, 5, 0, 9},   // right edge at 0: no pixel inside
        {-3, 5, 1, 9},   // one column inside
        {18, 5, 22, 9},  // one column inside
        {20, 5, 24, 9},  // starts at the width
        {5, -4, 9, 0},   // above
        {5, -3, 9, 1},   // one row inside
        {5, 10, 9, 14},  // starts at the height
        {5, 9, 9, 13},   // one row inside
        {-1000000, 0, -999996, 4},
    };
    const Boxes expected = {in[1], in[2], in[5], in[7]};
    EXPECT_EQ(dropRepaintedDots(in, 20, 10), expected);
}

TEST(DropRepaintedDots, BoxesOfAnotherSizeAreAlwaysKept) {
    const DotBox small{0, 0, 4, 4};
    const DotBox large{0, 0, 6, 6};
    const Boxes in = {small, large, small, large};
    EXPECT_EQ(dropRepaintedDots(in, 20, 20), (Boxes{large, small, large}));
    EXPECT_TRUE(dropRepaintedDots(in, 0, 20).empty());
}

// Straight from the samples, the constellation keeps the dots dropRepaintedDots keeps from the
// plain per-point geometry; for long signals this is the check, painting every dot of the
// reference would take seconds (PlotPaintingTest compares the images of the shorter ones).
TEST(VisibleConstellation, KeepsTheDotsDroppingFromEveryPointKeeps) {
    for (const auto& [name, signal] : testing_support::trickySignals()) {
        for (const auto [width, height] : testing_support::kTrickySizes) {
            const auto expected = dropRepaintedDots(
                testing_support::referenceConstellationPlot(signal, width, height), width, height);
            EXPECT_EQ(
                testing_support::firstDifference(visibleConstellation(signal, width, height), expected), "")
                << name << " on " << width << " x " << height;
        }
    }
}

}  // namespace
}  // namespace quorvel
