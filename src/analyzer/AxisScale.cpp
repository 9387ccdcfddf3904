#include "analyzer/AxisScale.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace quorvel {
namespace {

struct Prefix {
    int exponent;
    const char* symbol;
};

constexpr std::array<Prefix, 9> kPrefixes{{{-12, "p"},
                                           {-9, "n"},
                                           {-6, "\u00b5"},
                                           {-3, "m"},
                                           {0, ""},
                                           {3, "k"},
                                           {6, "M"},
                                           {9, "G"},
                                           {12, "T"}}};

bool takesPrefix(std::string_view unit) {
    return !unit.empty() && unit != "dB";
}

// The prefix whose scale puts reference between 1 and 1000.
Prefix prefixFor(double reference, std::string_view unit) {
    if (!takesPrefix(unit) || !(reference > 0.0) || !std::isfinite(reference)) {
        return {0, ""};
    }
    const int exponent = static_cast<int>(std::floor(std::log10(reference) / 3.0)) * 3;
    for (const Prefix& p : kPrefixes) {
        if (p.exponent == std::clamp(exponent, -12, 12)) {
            return p;
        }
    }
    return {0, ""};
}

}  // namespace

double pixelOf(const AxisRange& range, double value, double pixels, bool upwards) {
    const double share = (value - range.lo) / range.span();
    return (upwards ? 1.0 - share : share) * pixels;
}

double valueAt(const AxisRange& range, double pixel, double pixels, bool upwards) {
    const double share = pixel / pixels;
    return range.lo + (upwards ? 1.0 - share : share) * range.span();
}

AxisRange pannedRange(const AxisRange& range, double delta, const AxisRange& limits) {
    const double span = std::min(range.span(), limits.span());
    const double lo = std::clamp(range.lo + delta, limits.lo, limits.hi - span);
    return {lo, lo + span};
}

AxisRange zoomedRange(const AxisRange& range, double anchor, double factor, const AxisRange& limits,
                      double minSpan) {
    const double span =
        std::clamp(range.span() * factor, std::min(minSpan, limits.span()), limits.span());
    const double share = range.span() > 0.0 ? (anchor - range.lo) / range.span() : 0.5;
    const double lo = anchor - share * span;
    return pannedRange({lo, lo + span}, 0.0, limits);
}

std::vector<AxisTick> axisTicks(const AxisRange& range, int maxTicks, std::string_view unit) {
    std::vector<AxisTick> ticks;
    const double span = range.span();
    if (!(span > 0.0) || !std::isfinite(span) || maxTicks < 2) {
        return ticks;
    }
    const double rough = span / maxTicks;
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    double step = 10.0 * power;
    for (const double mantissa : {1.0, 2.0, 5.0}) {
        if (mantissa * power >= rough) {
            step = mantissa * power;
            break;
        }
    }
    const double reference = std::max(std::fabs(range.lo), std::fabs(range.hi));
    // k step rounds, so the first multiple is checked against the range itself.
    double k = std::ceil(range.lo / step);
    if (k * step < range.lo) {
        k += 1.0;
    }
    for (; k * step <= range.hi; k += 1.0) {
        const double value = k * step;
        ticks.push_back({value, quantityText(value, unit, step, reference)});
    }
    return ticks;
}

std::string quantityText(double value, std::string_view unit, double resolution, double reference) {
    if (!std::isfinite(value)) {
        return std::isnan(value) ? std::string("-") : std::string(value > 0 ? "inf" : "-inf");
    }
    const Prefix prefix = prefixFor(reference, unit);
    const double scale = std::pow(10.0, prefix.exponent);
    const double scaledResolution = resolution / scale;
    const int decimals =
        scaledResolution > 0.0 && std::isfinite(scaledResolution)
            ? std::clamp(static_cast<int>(std::ceil(-std::log10(scaledResolution) - 1e-9)), 0, 12)
            : 0;
    char text[64];
    double shown = value / scale;
    if (std::fabs(shown) < 0.5 * std::pow(10.0, -decimals)) {
        shown = 0.0;  // no "-0"
    }
    std::snprintf(text, sizeof text, "%.*f", decimals, shown);
    std::string out(text);
    if (!unit.empty()) {
        out += ' ';
        out += prefix.symbol;
        out += unit;
    }
    return out;
}

std::string quantityText(double value, std::string_view unit) {
    const double magnitude = std::fabs(value);
    const double resolution =
        magnitude > 0.0 ? std::pow(10.0, std::floor(std::log10(magnitude)) - 3.0) : 1.0;
    return quantityText(value, unit, resolution, magnitude);
}

}  // namespace quorvel
