// The plot lines' rasteriser: which pixels a segment takes, and that clipping never changes them.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <string>

#include "display/widgets/LineRaster.h"
#include "display/widgets/PlotPainting.h"

namespace quorvel {
namespace {

const QRgb kInk = qRgb(0, 0, 255);

std::vector<std::string> rowsOf(const QImage& image) {
    std::vector<std::string> rows;
    for (int y = 0; y < image.height(); ++y) {
        std::string row;
        for (int x = 0; x < image.width(); ++x) {
            row += image.pixel(x, y) == kInk ? '#' : '.';
        }
        rows.push_back(row);
    }
    return rows;
}

std::vector<std::string> drawn(PixelPoint from, PixelPoint to, int width = 6, int height = 4) {
    QImage image = makeCanvasImage(width, height);
    drawSegment(image, from, to, kInk);
    return rowsOf(image);
}

TEST(DrawSegment, TakesEveryPixelFromTheStartUpToButNotTheEnd) {
    using Rows = std::vector<std::string>;
    EXPECT_EQ(drawn({1, 1}, {5, 1}), (Rows{"......", ".####.", "......", "......"}));
    EXPECT_EQ(drawn({5, 1}, {1, 1}), (Rows{"......", "..####", "......", "......"}));
    EXPECT_EQ(drawn({2, 0}, {2, 3}), (Rows{"..#...", "..#...", "..#...", "......"}));
    EXPECT_EQ(drawn({2, 3}, {2, 0}), (Rows{"......", "..#...", "..#...", "..#..."}));
    EXPECT_EQ(drawn({0, 0}, {3, 3}), (Rows{"#.....", ".#....", "..#...", "......"}));
    EXPECT_EQ(drawn({0, 0}, {4, 1}), (Rows{"##....", "..##..", "......", "......"}));
    EXPECT_EQ(drawn({5, 3}, {1, 2}), (Rows{"......", "......", "..##..", "....##"}));
    EXPECT_EQ(drawn({1, 0}, {2, 4}), (Rows{".#....", ".#....", "..#...", "..#..."}));
    EXPECT_EQ(drawn({3, 2}, {3, 2}), (Rows{"......", "......", "......", "......"}));
}

TEST(DrawSegment, ClippingKeepsThePixelsOfTheUnclippedSegment) {
    constexpr int kWidth = 20;
    constexpr int kHeight = 10;
    constexpr int kOffset = 40;
    std::mt19937 engine(17);
    std::uniform_int_distribution<int> coordinate(-35, 55);
    for (int trial = 0; trial < 2000; ++trial) {
        const PixelPoint from{coordinate(engine), coordinate(engine)};
        const PixelPoint to{coordinate(engine), coordinate(engine)};
        QImage small = makeCanvasImage(kWidth, kHeight);
        drawSegment(small, from, to, kInk);
        QImage large = makeCanvasImage(kWidth + 2 * kOffset, kHeight + 2 * kOffset);
        drawSegment(large, {from.x + kOffset, from.y + kOffset}, {to.x + kOffset, to.y + kOffset},
                    kInk);
        ASSERT_EQ(small, large.copy(kOffset, kOffset, kWidth, kHeight))
            << from.x << "," << from.y << " -> " << to.x << "," << to.y;
    }
}

// The segment's pixels straight from their formula: step k of n along the longer axis, the other
// coordinate rounded to the nearest pixel with halves away from the start.
QImage drawnByFormula(PixelPoint from, PixelPoint to, int width, int height) {
    QImage image = makeCanvasImage(width, height);
    const long long dx = to.x - from.x;
    const long long dy = to.y - from.y;
    const long long n = std::max(std::llabs(dx), std::llabs(dy));
    for (long long k = 0; k < n; ++k) {
        const bool xMajor = std::llabs(dx) >= std::llabs(dy);
        const long long minorSpan = xMajor ? std::llabs(dy) : std::llabs(dx);
        const long long minorOffset = (2 * k * minorSpan + n) / (2 * n);
        const long long majorStep = (xMajor ? dx : dy) > 0 ? 1 : -1;
        const long long minorStep = (xMajor ? dy : dx) > 0 ? 1 : -1;
        const long long x = xMajor ? from.x + majorStep * k : from.x + minorStep * minorOffset;
        const long long y = xMajor ? from.y + minorStep * minorOffset : from.y + majorStep * k;
        if (x >= 0 && y >= 0 && x < width && y < height) {
            image.setPixel(static_cast<int>(x), static_cast<int>(y), kInk);
        }
    }
    return image;
}

TEST(DrawSegment, SameImageAsThePerPixelFormula) {
    constexpr int kWidth = 23;
    constexpr int kHeight = 17;
    std::mt19937 engine(41);
    for (const int reach : {5, 40, 3000}) {
        std::uniform_int_distribution<int> coordinate(-reach, kWidth + reach);
        for (int trial = 0; trial < 1000; ++trial) {
            const PixelPoint from{coordinate(engine), coordinate(engine)};
            const PixelPoint to{coordinate(engine), coordinate(engine)};
            QImage image = makeCanvasImage(kWidth, kHeight);
            drawSegment(image, from, to, kInk);
            ASSERT_EQ(image, drawnByFormula(from, to, kWidth, kHeight))
                << from.x << "," << from.y << " -> " << to.x << "," << to.y;
        }
    }
}

TEST(DrawSegment, FarEndsAreClippedWithoutLosingStraightLines) {
    constexpr int kFar = 1 << 30;
    using Rows = std::vector<std::string>;
    EXPECT_EQ(drawn({-kFar, 1}, {kFar, 1}), (Rows{"......", "######", "......", "......"}));
    EXPECT_EQ(drawn({4, 2}, {4, kFar}), (Rows{"......", "......", "....#.", "....#."}));
    EXPECT_EQ(drawn({-kFar, -kFar}, {kFar, kFar}), (Rows{"#.....", ".#....", "..#...", "...#.."}));
    EXPECT_EQ(drawn({-kFar, 1}, {-kFar + 5, kFar}), (Rows{"......", "......", "......", "......"}));
}

TEST(DrawPolyline, DrawsEachJointOnceAndNotTheLastPoint) {
    QImage image = makeCanvasImage(6, 4);
    drawPolyline(image, {{0, 0}, {3, 0}, {3, 3}, {0, 3}}, kInk);
    EXPECT_EQ(rowsOf(image), (std::vector<std::string>{"####..", "...#..", "...#..", ".###.."}));
    QImage one = makeCanvasImage(6, 4);
    drawPolyline(one, {{2, 2}}, kInk);
    EXPECT_EQ(one, makeCanvasImage(6, 4)) << "a single point is a move only";
}

}  // namespace
}  // namespace quorvel
