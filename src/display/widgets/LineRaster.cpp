#include "display/widgets/LineRaster.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace quorvel {
namespace {

// The steps k in [0, n) at which c0 + k * step (step +1 or -1) lies in [0, limit).
struct StepRange {
    std::int64_t begin;
    std::int64_t end;
};

StepRange visibleSteps(std::int64_t c0, int step, std::int64_t limit, std::int64_t n) {
    const StepRange inside =
        step > 0 ? StepRange{-c0, limit - c0} : StepRange{c0 - limit + 1, c0 + 1};
    return {std::max<std::int64_t>(inside.begin, 0), std::min(inside.end, n)};
}

bool isExact(PixelPoint p) {
    return std::abs(static_cast<std::int64_t>(p.x)) <= kExactLineCoordinate &&
           std::abs(static_cast<std::int64_t>(p.y)) <= kExactLineCoordinate;
}

// Liang-Barsky clip of a far-reaching segment to a box around the image; false if it misses.
bool clipFarSegment(PixelPoint& from, PixelPoint& to, int width, int height) {
    const double x0 = from.x;
    const double y0 = from.y;
    const double dx = static_cast<double>(to.x) - x0;
    const double dy = static_cast<double>(to.y) - y0;
    double t0 = 0.0;
    double t1 = 1.0;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x0 + 2.0, width + 1.0 - x0, y0 + 2.0, height + 1.0 - y0};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0) {
                return false;
            }
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0.0) {
            t0 = std::max(t0, t);
        } else {
            t1 = std::min(t1, t);
        }
    }
    if (t0 > t1) {
        return false;
    }
    from = {static_cast<int>(std::lround(x0 + t0 * dx)),
            static_cast<int>(std::lround(y0 + t0 * dy))};
    to = {static_cast<int>(std::lround(x0 + t1 * dx)), static_cast<int>(std::lround(y0 + t1 * dy))};
    return true;
}

}  // namespace

void drawSegment(QImage& image, PixelPoint from, PixelPoint to, QRgb colour) {
    if (image.depth() != 32) {
        return;
    }
    if ((!isExact(from) || !isExact(to)) &&
        !clipFarSegment(from, to, image.width(), image.height())) {
        return;
    }
    const std::int64_t dx = static_cast<std::int64_t>(to.x) - from.x;
    const std::int64_t dy = static_cast<std::int64_t>(to.y) - from.y;
    const bool xMajor = std::abs(dx) >= std::abs(dy);
    const std::int64_t n = std::max(std::abs(dx), std::abs(dy));
    const std::int64_t minorSpan = xMajor ? std::abs(dy) : std::abs(dx);
    const int majorStep = (xMajor ? dx : dy) > 0 ? 1 : -1;
    const int minorStep = (xMajor ? dy : dx) > 0 ? 1 : -1;
    const std::int64_t major0 = xMajor ? from.x : from.y;
    const std::int64_t minor0 = xMajor ? from.y : from.x;
    const std::int64_t majorLimit = xMajor ? image.width() : image.height();
    const std::int64_t minorLimit = xMajor ? image.height() : image.width();
    const StepRange steps = visibleSteps(major0, majorStep, majorLimit, n);
    if (steps.begin >= steps.end) {
        return;
    }
    // The minor coordinate is rounded to the nearest pixel, halves away from the start: the
    // offset at step k is (2 k minorSpan + n) / (2 n) rounded down. It is kept as a quotient and
    // a remainder, which grow by 2 minorSpan a step; that is at most 2 n, so a step carries at
    // most once, and no pixel costs a division.
    const std::int64_t denominator = 2 * n;
    const std::int64_t rise = 2 * minorSpan;
    const std::int64_t numerator = steps.begin * rise + n;
    std::int64_t offset = numerator / denominator;
    std::int64_t remainder = numerator % denominator;
    uchar* const bits = image.bits();
    const qsizetype bytesPerLine = image.bytesPerLine();
    for (std::int64_t k = steps.begin; k < steps.end; ++k) {
        const std::int64_t minor = minor0 + minorStep * offset;
        if (minor >= 0 && minor < minorLimit) {
            const std::int64_t major = major0 + majorStep * k;
            const std::int64_t x = xMajor ? major : minor;
            const std::int64_t y = xMajor ? minor : major;
            reinterpret_cast<QRgb*>(bits + y * bytesPerLine)[x] = colour;
        }
        remainder += rise;
        if (remainder >= denominator) {
            remainder -= denominator;
            ++offset;
        }
    }
}

void drawPolyline(QImage& image, const std::vector<PixelPoint>& points, QRgb colour) {
    for (std::size_t k = 1; k < points.size(); ++k) {
        drawSegment(image, points[k - 1], points[k], colour);
    }
}

}  // namespace quorvel
