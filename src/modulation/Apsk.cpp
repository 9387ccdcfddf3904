#include "modulation/Apsk.h"

#include <cstdint>
#include <locale>
#include <sstream>

namespace quorvel {

namespace {

// Running sums of the ring sizes: one past the last index of each ring. 64-bit so that no
// table, however large its rings, overflows.
std::vector<std::int64_t> ringEnds(const std::vector<int>& ringSizes) {
    std::vector<std::int64_t> ends;
    ends.reserve(ringSizes.size());
    std::int64_t sum = 0;
    for (const int size : ringSizes) {
        sum += size;
        ends.push_back(sum);
    }
    return ends;
}

ComplexSample apskPoint(std::int64_t index, const std::vector<std::int64_t>& ends,
                        const std::vector<int>& ringSizes, const std::vector<double>& ringRadii) {
    if (index < 0 || index >= ends.back()) {
        return {0.0, 0.0};
    }
    std::size_t ring = 0;
    while (index >= ends[ring]) {
        ++ring;
    }
    const std::int64_t first = ring == 0 ? 0 : ends[ring - 1];
    const double theta =
        ((Pi * 2.0) * static_cast<double>(index - first)) / static_cast<double>(ringSizes[ring]);
    return polar(ringRadii[ring], theta);
}

}  // namespace

std::vector<double> parseApskRadii(const std::string& text) {
    std::istringstream stream(text);
    // The decimal separator is "." whatever the user's locale.
    stream.imbue(std::locale::classic());
    std::vector<double> radii;
    double radius = 0.0;
    while (stream >> radius) {
        radii.push_back(radius);
    }
    return radii;
}

std::vector<double> chooseApskRadii(const std::vector<double>& defaults,
                                    const std::vector<double>& parsed) {
    return parsed.size() >= 2 ? parsed : defaults;
}

SampleBuffer modulateApsk(const SymbolSequence& symbols, const std::vector<int>& ringSizes,
                          const std::vector<double>& ringRadii) {
    if (ringSizes.empty() || ringRadii.empty() || ringSizes.size() != ringRadii.size()) {
        return {};
    }
    const std::vector<std::int64_t> ends = ringEnds(ringSizes);
    SampleBuffer points(symbols.size());
    for (std::size_t n = 0; n < symbols.size(); ++n) {
        points[n] = apskPoint(symbols[n], ends, ringSizes, ringRadii);
    }
    return points;
}

}  // namespace quorvel
