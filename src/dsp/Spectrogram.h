#pragma once
// A spectrogram as a detector sees it: Hann-windowed frames of `fft` samples, each `fft - overlap`
// samples after the one before, their power in dB. Column c is frame c, samples [c hop, c hop + fft);
// row r the bin at frequency (r - fft / 2) fs / fft, so that row 0 is the lowest frequency (-fs/2)
// and the centre row 0 Hz. A box of samples [s0, s1) and frequencies [f0, f1) covers columns
// s0 / hop to s1 / hop and rows (f0 / fs + 1/2) fft to (f1 / fs + 1/2) fft, as real coordinates.

#include <cstddef>
#include <span>
#include <vector>

#include "common/Signal.h"

namespace quorvel {

struct SpectrogramShape {
    std::size_t fft = 256;
    std::size_t overlap = 128;

    std::size_t hop() const { return fft - overlap; }
    // Whole frames within `samples` samples; 0 when not one fits.
    std::size_t frames(std::size_t samples) const { return samples < fft ? 0 : (samples - fft) / hop() + 1; }
};

// Why a shape cannot be used: fft below 2 or above 2^20, or an overlap not below fft.
const char* spectrogramShapeProblem(const SpectrogramShape& shape);

// 10 log10(|X|^2 / sum of w^2), the power per bin of unit-power white noise reading 0 dB, floored
// at -300 dB, for frames(x.size()) columns of shape.fft rows each, column after column, into out.
void spectrogramDb(std::span<const ComplexSample> x, const SpectrogramShape& shape, std::vector<float>& out);

}  // namespace quorvel
