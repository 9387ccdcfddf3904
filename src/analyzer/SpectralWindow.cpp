#include "analyzer/SpectralWindow.h"

#include <array>
#include <cmath>

#include "common/Signal.h"

namespace quorvel {
namespace {

struct WindowRow {
    SpectralWindow window;
    std::string_view name;
    std::array<double, 5> cosines;  // w[k] = sum_m (-1)^m a_m cos(2 pi m k / n)
};

// The sum-of-cosines coefficients: Hann and Hamming as textbooks give them, the 4-term
// Blackman-Harris of Harris (1978), and the 5-term flat top of D'Antona and Ferrero that MATLAB's
// flattopwin uses, which reads a tone's level within a few hundredths of a dB wherever it falls.
constexpr std::array<WindowRow, 5> kWindows{{
    {SpectralWindow::Rectangular, "Rectangular", {1.0, 0.0, 0.0, 0.0, 0.0}},
    {SpectralWindow::Hann, "Hann", {0.5, 0.5, 0.0, 0.0, 0.0}},
    {SpectralWindow::Hamming, "Hamming", {0.54, 0.46, 0.0, 0.0, 0.0}},
    {SpectralWindow::BlackmanHarris, "Blackman-Harris", {0.35875, 0.48829, 0.14128, 0.01168, 0.0}},
    {SpectralWindow::FlatTop,
     "Flat top",
     {0.21557895, 0.41663158, 0.277263158, 0.083578947, 0.006947368}},
}};

constexpr std::array<SpectralWindow, 5> kOrder{
    SpectralWindow::Rectangular, SpectralWindow::Hann, SpectralWindow::Hamming,
    SpectralWindow::BlackmanHarris, SpectralWindow::FlatTop};

}  // namespace

std::span<const SpectralWindow> spectralWindows() {
    return kOrder;
}

std::string_view windowName(SpectralWindow window) {
    return kWindows[static_cast<std::size_t>(window)].name;
}

std::vector<double> windowCoefficients(SpectralWindow window, std::size_t n) {
    const auto& a = kWindows[static_cast<std::size_t>(window)].cosines;
    std::vector<double> w(n);
    for (std::size_t k = 0; k < n; ++k) {
        const double x = 2.0 * Pi * static_cast<double>(k) / static_cast<double>(n);
        double sum = 0.0;
        for (std::size_t m = 0; m < a.size(); ++m) {
            sum += (m % 2 == 0 ? a[m] : -a[m]) * std::cos(static_cast<double>(m) * x);
        }
        w[k] = sum;
    }
    return w;
}

double equivalentNoiseBandwidthBins(std::span<const double> w) {
    double sum = 0.0;
    double squares = 0.0;
    for (const double v : w) {
        sum += v;
        squares += v * v;
    }
    return sum != 0.0 ? static_cast<double>(w.size()) * squares / (sum * sum) : 0.0;
}

}  // namespace quorvel
