#include "channel/RappCompression.h"

#include <cmath>

namespace quorvel {

void compressRapp(std::span<ComplexSample> samples, const RappCompression& amplifier) {
    const double p = amplifier.smoothness;
    const double inverseSaturationSquared = 1.0 / (amplifier.saturation * amplifier.saturation);
    const double exponent = -1.0 / (2.0 * p);
    for (ComplexSample& s : samples) {
        const double powerSquared = s.i * s.i + s.q * s.q;
        if (powerSquared == 0.0) {
            continue;
        }
        // (|x| / A)^(2P) as (|x|^2 / A^2)^P: no square root on the common path.
        const double drive = std::pow(powerSquared * inverseSaturationSquared, p);
        // Far in saturation the curve is A / |x| itself, where 1 + drive has overflowed.
        const double gain = std::isinf(drive) ? amplifier.saturation / std::sqrt(powerSquared)
                                              : std::pow(1.0 + drive, exponent);
        s = {s.i * gain, s.q * gain};
    }
}

SampleBuffer applyRappCompression(const SampleBuffer& input, const RappCompression& amplifier) {
    SampleBuffer out = input;
    compressRapp(out, amplifier);
    return out;
}

}  // namespace quorvel
