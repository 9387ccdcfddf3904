#pragma once
// The axes of the analyzer's plots without a drawing library: a range of values on a run of
// pixels, zoomed and panned within the data's limits, and ticks at round values labelled with SI
// prefixes and units.

#include <string>
#include <string_view>
#include <vector>

namespace quorvel {

// The values an axis shows, lo at one end and hi at the other (lo < hi).
struct AxisRange {
    double lo = 0.0;
    double hi = 1.0;

    double span() const { return hi - lo; }
    friend bool operator==(const AxisRange&, const AxisRange&) = default;
};

// Where value lands on an axis of pixels pixels [pixels from the start, fractional]: lo at 0 and
// hi at pixels, or reversed for a vertical axis whose values grow upwards.
double pixelOf(const AxisRange& range, double value, double pixels, bool upwards = false);

// The value at a pixel position; the inverse of pixelOf.
double valueAt(const AxisRange& range, double pixel, double pixels, bool upwards = false);

// range zoomed by factor (below 1 zooms in) about anchor, which keeps its place; kept inside
// limits and no narrower than minSpan.
AxisRange zoomedRange(const AxisRange& range, double anchor, double factor, const AxisRange& limits,
                      double minSpan);

// range moved by delta values, kept inside limits.
AxisRange pannedRange(const AxisRange& range, double delta, const AxisRange& limits);

struct AxisTick {
    double value = 0.0;
    std::string label;
};

// Ticks at whole multiples of a step of 1, 2 or 5 times a power of ten inside range, as many as
// fit maxTicks (at least 2 if range allows), labelled as quantityText does with the step's
// resolution.
std::vector<AxisTick> axisTicks(const AxisRange& range, int maxTicks, std::string_view unit);

// value with the SI prefix (p ... T) that the magnitude reference calls for and as many decimals
// as resolution needs: quantityText(1234.5, "Hz", 0.1, 1234.5) = "1.2345 kHz". Units "dB" and
// "" take no prefix.
std::string quantityText(double value, std::string_view unit, double resolution, double reference);

// The same with value as its own reference and 4 significant digits.
std::string quantityText(double value, std::string_view unit);

}  // namespace quorvel
