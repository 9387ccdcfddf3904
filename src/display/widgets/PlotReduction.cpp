#include "display/widgets/PlotReduction.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <utility>

#include "display/PlotScale.h"
#include "common/WideKernel.h"

namespace quorvel {
namespace {

void appendUnlessRepeated(std::vector<PixelPoint>& out, PixelPoint p) {
    if (out.empty() || !(out.back() == p)) {
        out.push_back(p);
    }
}

// The smallest and the largest of count values.
struct RowRange {
    int smallest;
    int largest;
};

QUORVEL_WIDE_KERNEL
RowRange rowRange(const int* ys, std::size_t count) {
    // Plain locals: the vectoriser does not take reductions into the members of a struct.
    int smallest = std::numeric_limits<int>::max();
    int largest = std::numeric_limits<int>::min();
    for (std::size_t j = 0; j < count; ++j) {
        smallest = std::min(smallest, ys[j]);
        largest = std::max(largest, ys[j]);
    }
    return {smallest, largest};
}

// collapseColumns over a stream of points, each given with its position in the stream. A run
// is summed up as it goes, so nothing but the current run's four points is held.
class ColumnRuns {
  public:
    void add(PixelPoint p, std::size_t position) {
        if (!open_ || p.x != first_.x) {
            close();
            open_ = true;
            start_ = position;
            first_ = smallest_ = largest_ = last_ = p;
            smallestAt_ = largestAt_ = position;
            return;
        }
        if (p.y < smallest_.y) {
            smallest_ = p;
            smallestAt_ = position;
        }
        if (p.y > largest_.y) {
            largest_ = p;
            largestAt_ = position;
        }
        last_ = p;
    }

    // The drawn points of a block whose point j is at position + j.
    void add(const PixelBlock& block, std::size_t count, std::size_t position) {
        if (block.drawnCount != count) {
            for (std::size_t j = 0; j < count; ++j) {
                if (block.drawn[j] != 0) {
                    add(PixelPoint{block.x[j], block.y[j]}, position + j);
                }
            }
            return;
        }
        std::size_t begin = 0;
        while (begin < count) {
            std::size_t end = block.oneColumn ? count : begin + 1;
            while (end < count && block.x[end] == block.x[begin]) {
                ++end;
            }
            addColumn(block.x[begin], block.y.data() + begin, end - begin, position + begin);
            begin = end;
        }
    }

    bool open() const { return open_; }
    // Where the run still open began.
    std::size_t start() const { return start_; }
    // The collapsed runs before the open one.
    std::vector<PixelPoint>& closed() { return out_; }

  private:
    // count points in column x with rows ys, the first at position: what add gives point by
    // point, with the extremes found a block at a time.
    void addColumn(int x, const int* ys, std::size_t count, std::size_t position) {
        if (!open_ || x != first_.x) {
            add(PixelPoint{x, ys[0]}, position);
            ++ys;
            ++position;
            --count;
        }
        if (count == 0) {
            return;
        }
        const RowRange range = rowRange(ys, count);
        if (range.smallest < smallest_.y) {
            const auto at =
                static_cast<std::size_t>(std::find(ys, ys + count, range.smallest) - ys);
            smallest_ = {x, range.smallest};
            smallestAt_ = position + at;
        }
        if (range.largest > largest_.y) {
            const auto at = static_cast<std::size_t>(std::find(ys, ys + count, range.largest) - ys);
            largest_ = {x, range.largest};
            largestAt_ = position + at;
        }
        last_ = {x, ys[count - 1]};
    }

    void close() {
        if (!open_) {
            return;
        }
        const bool smallestFirst = smallestAt_ <= largestAt_;
        appendUnlessRepeated(out_, first_);
        appendUnlessRepeated(out_, smallestFirst ? smallest_ : largest_);
        appendUnlessRepeated(out_, smallestFirst ? largest_ : smallest_);
        appendUnlessRepeated(out_, last_);
    }

    std::vector<PixelPoint> out_;
    bool open_ = false;
    std::size_t start_ = 0;
    PixelPoint first_{};
    PixelPoint smallest_{};
    PixelPoint largest_{};
    PixelPoint last_{};
    std::size_t smallestAt_ = 0;
    std::size_t largestAt_ = 0;
};

// Calls visit(block, count, position) for the blocks of scale from position begin on, in order.
template <typename Scale, typename Visit>
void forEachBlock(const Scale& scale, std::size_t begin, Visit visit) {
    PixelBlock block;
    for (; begin < scale.size(); begin += PixelBlock::kCapacity) {
        const std::size_t count = std::min(PixelBlock::kCapacity, scale.size() - begin);
        scale.map(begin, count, block);
        visit(block, count, begin);
    }
}

template <typename Scale>
std::vector<PixelPoint> collapsedPlot(const Scale& scale) {
    if (scale.empty()) {
        return {};
    }
    ColumnRuns runs;
    forEachBlock(scale, 0,
                 [&runs](const PixelBlock& block, std::size_t count, std::size_t position) {
                     runs.add(block, count, position);
                 });
    std::vector<PixelPoint>& out = runs.closed();
    if (runs.open()) {
        // Whether the polyline's very last point gets drawn depends on the whole final run, so
        // its points are taken again, all of them.
        forEachBlock(scale, runs.start(),
                     [&out](const PixelBlock& block, std::size_t count, std::size_t) {
                         for (std::size_t j = 0; j < count; ++j) {
                             if (block.drawn[j] != 0) {
                                 appendUnlessRepeated(out, {block.x[j], block.y[j]});
                             }
                         }
                     });
    }
    return std::move(out);
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

// The BoxGrid cells of the dots centred on the block's points (a grid of columns cells a row),
// or -1 for a dot that is not drawn or lies wholly outside the canvas: cellOf and
// overlapsCanvas for dotAround of every point, in a loop that vectorises.
QUORVEL_WIDE_KERNEL
void dotCells(const PixelBlock& block, int count, int width, int height, std::int64_t columns,
              std::int64_t* cells) {
    for (int j = 0; j < count; ++j) {
        const auto at = static_cast<std::size_t>(j);
        const int x = block.x[at];
        const int y = block.y[at];
        const bool seen = (block.drawn[at] != 0) & (x + kDotRadius > 0) & (y + kDotRadius > 0) &
                          (x - kDotRadius < width) & (y - kDotRadius < height);
        // A box's corner lies kDotRadius before its centre and the grid starts one box size
        // before the canvas.
        const std::int64_t cell = (static_cast<std::int64_t>(y) + kDotRadius) * columns +
                                  (static_cast<std::int64_t>(x) + kDotRadius);
        cells[j] = seen ? cell : -1;
    }
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
    std::size_t& lastIndex(const DotBox& b) { return last_[cellOf(b)]; }
    void mark(std::size_t cell, std::size_t index) { last_[cell] = index; }
    std::int64_t columns() const { return columns_; }

    // The boxes that were given a last index, in the order of those indices.
    std::vector<DotBox> boxesByLastIndex() const {
        std::vector<std::pair<std::size_t, std::size_t>> marked;  // (last index, cell)
        for (std::size_t cell = 0; cell < last_.size(); ++cell) {
            if (last_[cell] != kNone) {
                marked.emplace_back(last_[cell], cell);
            }
        }
        std::sort(marked.begin(), marked.end());
        std::vector<DotBox> boxes;
        boxes.reserve(marked.size());
        for (const auto& [index, cell] : marked) {
            const auto column = static_cast<std::int64_t>(cell) % columns_;
            const auto row = static_cast<std::int64_t>(cell) / columns_;
            const int left = static_cast<int>(column - boxWidth_);
            const int top = static_cast<int>(row - boxHeight_);
            boxes.push_back({left, top, left + boxWidth_, top + boxHeight_});
        }
        return boxes;
    }

    static constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();

  private:
    std::size_t cellOf(const DotBox& b) const {
        const std::int64_t column = static_cast<std::int64_t>(b.left) + boxWidth_;
        const std::int64_t row = static_cast<std::int64_t>(b.top) + boxHeight_;
        return static_cast<std::size_t>(row * columns_ + column);
    }

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

std::vector<PixelPoint> collapsedTimePlot(const SampleBuffer& signal, int width, int height) {
    return collapsedPlot(TimePlotScale(signal, width, height));
}

std::vector<PixelPoint> collapsedSpectrumPlot(const std::vector<double>& frequenciesHz,
                                              const std::vector<double>& powerDb, int width,
                                              int height) {
    return collapsedPlot(SpectrumPlotScale(frequenciesHz, powerDb, width, height));
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

std::vector<DotBox> visibleConstellation(const SampleBuffer& points, int width, int height) {
    const ConstellationScale scale(points, width, height);
    if (scale.empty() || width <= 0 || height <= 0) {
        return {};
    }
    // Every dot has the same box, so the last dot drawn in a box is the only one seen there.
    BoxGrid grid(dotAround(0, 0), width, height);
    std::array<std::int64_t, PixelBlock::kCapacity> cells{};
    forEachBlock(scale, 0, [&](const PixelBlock& block, std::size_t count, std::size_t position) {
        dotCells(block, static_cast<int>(count), width, height, grid.columns(), cells.data());
        for (std::size_t j = 0; j < count; ++j) {
            if (cells[j] >= 0) {
                grid.mark(static_cast<std::size_t>(cells[j]), position + j);
            }
        }
    });
    return grid.boxesByLastIndex();
}

}  // namespace quorvel
