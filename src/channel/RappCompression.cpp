#include "channel/RappCompression.h"

#include <cmath>

namespace quorvel {

namespace {

// x^p: by multiplication for the small whole powers users choose, else by pow.
double power(double x, double p, int wholePower) {
    if (wholePower == 0) {
        return std::pow(x, p);
    }
    double result = x;
    for (int k = 1; k < wholePower; ++k) {
        result *= x;
    }
    return result;
}

// (1 + drive)^(-1 / (2P)): by square roots for P = 1 and 2, else by pow.
double rootGain(double base, double exponent, int wholePower) {
    switch (wholePower) {
        case 1:
            return 1.0 / std::sqrt(base);
        case 2:
            return 1.0 / std::sqrt(std::sqrt(base));
        default:
            return std::pow(base, exponent);
    }
}

}  // namespace

void compressRapp(std::span<ComplexSample> samples, const RappCompression& amplifier) {
    const double p = amplifier.smoothness;
    // Whole smoothness values up to 8 avoid the two pow calls per sample, the stage's whole cost.
    const int wholePower = p == std::trunc(p) && p >= 1.0 && p <= 8.0 ? static_cast<int>(p) : 0;
    const double inverseSaturationSquared = 1.0 / (amplifier.saturation * amplifier.saturation);
    const double exponent = -1.0 / (2.0 * p);
    for (ComplexSample& s : samples) {
        const double powerSquared = s.i * s.i + s.q * s.q;
        if (powerSquared == 0.0) {
            continue;
        }
        // (|x| / A)^(2P) as (|x|^2 / A^2)^P: no square root on the common path.
        const double drive = power(powerSquared * inverseSaturationSquared, p, wholePower);
        // Far in saturation the curve is A / |x| itself, where 1 + drive has overflowed.
        const double gain = std::isinf(drive) ? amplifier.saturation / std::sqrt(powerSquared)
                                              : rootGain(1.0 + drive, exponent, wholePower);
        s = {s.i * gain, s.q * gain};
    }
}

SampleBuffer applyRappCompression(const SampleBuffer& input, const RappCompression& amplifier) {
    SampleBuffer out = input;
    compressRapp(out, amplifier);
    return out;
}

}  // namespace quorvel
