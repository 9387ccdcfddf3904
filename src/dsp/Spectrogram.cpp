#include "dsp/Spectrogram.h"

#include <algorithm>
#include <cmath>

#include "dsp/FourierTransform.h"

namespace quorvel {

const char* spectrogramShapeProblem(const SpectrogramShape& shape) {
    if (shape.fft < 2 || shape.fft > (std::size_t{1} << 20)) {
        return "the FFT length must be from 2 to 1048576";
    }
    if (shape.overlap >= shape.fft) {
        return "the overlap must be below the FFT length";
    }
    return nullptr;
}

void spectrogramDb(std::span<const ComplexSample> x, const SpectrogramShape& shape, std::vector<float>& out) {
    const std::size_t fft = shape.fft;
    const std::size_t frames = shape.frames(x.size());
    out.resize(frames * fft);
    if (frames == 0) {
        return;
    }
    std::vector<double> window(fft);
    double energy = 0.0;
    for (std::size_t n = 0; n < fft; ++n) {
        // Periodic Hann: overlapping frames at half the length sum to a constant.
        window[n] = 0.5 - 0.5 * std::cos(2.0 * Pi * static_cast<double>(n) / static_cast<double>(fft));
        energy += window[n] * window[n];
    }
    FourierTransform transform(fft);
    SampleBuffer frame(fft);
    for (std::size_t c = 0; c < frames; ++c) {
        const ComplexSample* in = x.data() + c * shape.hop();
        for (std::size_t n = 0; n < fft; ++n) {
            frame[n] = {in[n].i * window[n], in[n].q * window[n]};
        }
        const auto bins = transform.forward(frame);
        float* column = out.data() + c * fft;
        for (std::size_t r = 0; r < fft; ++r) {
            const std::size_t k = (r + fft - fft / 2) % fft;  // row 0 is -fs/2
            const double power = (bins[2 * k] * bins[2 * k] + bins[2 * k + 1] * bins[2 * k + 1]) / energy;
            column[r] = static_cast<float>(10.0 * std::log10(std::max(power, 1e-30)));
        }
    }
}

}  // namespace quorvel
