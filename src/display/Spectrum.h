#pragma once
// The power spectrum behind the "Spectrum Analyzer" plot.

#include "common/Signal.h"

#include <vector>

namespace quorvel {

// One unwindowed, unscaled DFT over all N samples of signal, half-rotated so that 0 Hz sits at
// index floor(N/2). Writes the bin frequencies in Hz, (i - floor(N/2)) * sampleRateHz / N, and the
// levels in dB, 10 log10(|X|^2 + 1e-12) (a -120 dB floor), both resized to N with their storage
// reused. An empty signal leaves both outputs untouched.
void computeSpectrum(const SampleBuffer& signal, double sampleRateHz,
                     std::vector<double>& spectrumFrequencies,
                     std::vector<double>& spectrumPowerDb);

}  // namespace quorvel
