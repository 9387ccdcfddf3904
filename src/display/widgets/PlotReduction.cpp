#include "display/widgets/PlotReduction.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>

namespace quorvel {
namespace {

void appendUnlessRepeated(std::vector<PixelPoint>& out, PixelPoint p) {
    if (out.empty() || !(out.back() == p)) {
        out.push_back(p);
    }
}

// Appends the run points[begin, end) of one column as its first point, its first points of
// smallest and largest y (in the order they occur) and its last point.
void appendColumnRun(const std::vector<PixelPoint>& points, std::size_t begin, std::size_t end,
                     std::vector<PixelPoint>& out) {
    std::size_t smallestY = begin;
    std::size_t largestY = begin;
    for (std::size_t k = begin + 1; k < end; ++k) {
        if (points[k].y < points[smallestY].y) {
            smallestY = k;
        }
        if (points[k].y > points[largestY].y) {
            largestY = k;
        }
    }
    appendUnlessRepeated(out, points[begin]);
    appendUnlessRepeated(out, points[std::min(smallestY, largestY)]);
    appendUnlessRepeated(out, points[std::max(smallestY, largestY)]);
    appendUnlessRepeated(out, points[end - 1]);
}

bool overlapsCanvas(const DotBox& b, int width, int height) {
    return b.right > 0 && b.bottom > 0 && b.left < width && b.top < height;
}

// Dense index of the boxes of one size by their top-left corner; the corners of boxes that
// overlap the canvas lie within one box size of it.
class BoxGrid {
  public:
    BoxGrid(DotBox shape, int width, int height)
        : boxWidth_(std::max(shape.right - shape.left, 0)),
          boxHeight_(std::max(shape.bottom - shape.top, 0)),
          columns_(static_cast<std::int64_t>(width) + boxWidth_),
          rows_(static_cast<std::int64_t>(height) + boxHeight_),
          last_(static_cast<std::size_t>(columns_ * rows_), kNone) {}

    bool fits(const DotBox& b) const {
        return boxWidth_ > 0 && boxHeight_ > 0 && b.right - b.left == boxWidth_ &&
               b.bottom - b.top == boxHeight_;
    }
    std::size_t& lastIndex(const DotBox& b) {
        const std::int64_t column = static_cast<std::int64_t>(b.left) + boxWidth_;
        const std::int64_t row = static_cast<std::int64_t>(b.top) + boxHeight_;
        return last_[static_cast<std::size_t>(row * columns_ + column)];
    }

    static constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();

  private:
    int boxWidth_;
    int boxHeight_;
    std::int64_t columns_;
    std::int64_t rows_;
    std::vector<std::size_t> last_;
};

}  // namespace

std::vector<PixelPoint> collapseColumns(const std::vector<PixelPoint>& points) {
    std::vector<PixelPoint> out;
    std::size_t begin = 0;
    while (begin < points.size()) {
        std::size_t end = begin + 1;
        while (end < points.size() && points[end].x == points[begin].x) {
            ++end;
        }
        if (end == points.size()) {
            // Whether the polyline's very last point gets drawn depends on the whole run.
            for (std::size_t k = begin; k < end; ++k) {
                appendUnlessRepeated(out, points[k]);
            }
        } else {
            appendColumnRun(points, begin, end, out);
        }
        begin = end;
    }
    return out;
}

std::vector<DotBox> dropRepaintedDots(const std::vector<DotBox>& boxes, int width, int height) {
    std::vector<DotBox> out;
    if (boxes.empty() || width <= 0 || height <= 0) {
        return out;
    }
    // Boxes of another size than the first (the core makes them all alike) are simply kept.
    BoxGrid grid(boxes.front(), width, height);
    for (std::size_t k = 0; k < boxes.size(); ++k) {
        if (grid.fits(boxes[k]) && overlapsCanvas(boxes[k], width, height)) {
            grid.lastIndex(boxes[k]) = k;
        }
    }
    for (std::size_t k = 0; k < boxes.size(); ++k) {
        const DotBox& b = boxes[k];
        if (!overlapsCanvas(b, width, height)) {
            continue;
        }
        if (!grid.fits(b) || grid.lastIndex(b) == k) {
            out.push_back(b);
        }
    }
    return out;
}

}  // namespace quorvel
