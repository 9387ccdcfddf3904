#pragma once
// The windows a spectrum estimate may taper its segments with, and what each costs in
// resolution: the equivalent noise bandwidth.

#include <span>
#include <string_view>
#include <vector>

namespace quorvel {

enum class SpectralWindow { Rectangular, Hann, Hamming, BlackmanHarris, FlatTop };

// Every window, in the order a list offers them.
std::span<const SpectralWindow> spectralWindows();

// "Hann", "Blackman-Harris", ...
std::string_view windowName(SpectralWindow window);

// The n coefficients of the periodic (DFT-even) window, as spectrum analysers use it.
std::vector<double> windowCoefficients(SpectralWindow window, std::size_t n);

// Equivalent noise bandwidth [bins]: n sum(w^2) / (sum w)^2; 1 for the rectangular window.
double equivalentNoiseBandwidthBins(std::span<const double> coefficients);

}  // namespace quorvel
