#include "analyzer/widgets/PlotColours.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace quorvel {

QRgb heatColour(double share) {
    struct Stop {
        double at;
        int r, g, b;
    };
    static constexpr std::array<Stop, 6> kStops{{{0.0, 0, 0, 30},
                                                 {0.25, 20, 40, 160},
                                                 {0.5, 0, 170, 200},
                                                 {0.75, 230, 220, 40},
                                                 {0.9, 255, 140, 20},
                                                 {1.0, 255, 255, 255}}};
    const double s = std::isfinite(share) ? std::clamp(share, 0.0, 1.0) : 0.0;
    std::size_t k = 1;
    while (k + 1 < kStops.size() && kStops[k].at < s) {
        ++k;
    }
    const Stop& a = kStops[k - 1];
    const Stop& b = kStops[k];
    const double t = (s - a.at) / (b.at - a.at);
    const auto mix = [t](int from, int to) {
        return static_cast<int>(std::lround(from + t * (to - from)));
    };
    return qRgb(mix(a.r, b.r), mix(a.g, b.g), mix(a.b, b.b));
}

}  // namespace quorvel
