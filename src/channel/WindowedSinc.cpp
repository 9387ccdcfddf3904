#include "channel/WindowedSinc.h"

#include <algorithm>
#include <cmath>

namespace quorvel {
namespace {

// About 80 dB of stop-band attenuation over 32 taps: frequencies up to about 0.42 of the
// sampling rate pass within 1e-4.
constexpr double kKaiserBeta = 8.0;

}  // namespace

double windowedSinc(double x) {
    if (x == 0.0) {
        return 1.0;
    }
    const double width = kSincHalfWidth;
    if (!(std::fabs(x) < width) || x == std::trunc(x)) {
        return 0.0;
    }
    const double ratio = x / width;
    const double window = std::cyl_bessel_i(0.0, kKaiserBeta * std::sqrt(1.0 - ratio * ratio)) /
                          std::cyl_bessel_i(0.0, kKaiserBeta);
    return std::sin(Pi * x) / (Pi * x) * window;
}

SincTable::SincTable() : table_(static_cast<std::size_t>((kPhases + 1) * kSincTaps)) {
    for (int p = 0; p <= kPhases; ++p) {
        const double frac = static_cast<double>(p) / kPhases;
        for (int k = 0; k < kSincTaps; ++k) {
            table_[static_cast<std::size_t>(p * kSincTaps + k)] =
                windowedSinc(frac + (kSincHalfWidth - 1 - k));
        }
    }
}

const SincTable& sincTable() {
    static const SincTable table;
    return table;
}

}  // namespace quorvel
