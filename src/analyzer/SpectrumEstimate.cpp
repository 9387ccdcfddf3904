#include "analyzer/SpectrumEstimate.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "common/Signal.h"
#include "dsp/FourierTransform.h"

namespace quorvel {
namespace {

constexpr std::size_t kSmallestTransform = 16;
// Levels below this are empty bins, not signal [dB].
constexpr double kFloorPower = 1e-30;

// The largest power of two not above wanted, and not above span.
std::size_t fittingSize(std::size_t wanted, std::uint64_t span) {
    const std::uint64_t limit =
        std::min<std::uint64_t>(std::max<std::size_t>(wanted, kSmallestTransform), span);
    return static_cast<std::size_t>(std::bit_floor(limit));
}

// First sample of each of count segments of n samples spread evenly over begin ... end - 1.
std::uint64_t segmentStart(std::uint64_t begin, std::uint64_t end, std::size_t n, std::size_t index,
                           std::size_t count) {
    if (count < 2) {
        return begin;
    }
    const std::uint64_t room = end - begin - n;
    return begin +
           static_cast<std::uint64_t>(static_cast<double>(room) * static_cast<double>(index) /
                                      static_cast<double>(count - 1));
}

// Windows, transforms and squares one segment into power per bin, half-rotated so that bin 0
// is -fs/2; the window's sum squared divides it, so a tone reads its own power.
class SegmentPower {
  public:
    SegmentPower(std::size_t n, SpectralWindow window)
        : window_(windowCoefficients(window, n)), transform_(n), samples_(n), input_(n) {
        double sum = 0.0;
        for (const double w : window_) {
            sum += w;
        }
        gain_ = 1.0 / (sum * sum);
    }

    const std::vector<double>& window() const { return window_; }

    // Adds the power of the segment starting at first to power (n values).
    void add(const SampleReader& reader, std::uint64_t first, double* power) {
        const std::size_t n = window_.size();
        reader.read(first, n, samples_.data());
        for (std::size_t k = 0; k < n; ++k) {
            const IqSample s = samples_[k];
            const bool finite = std::isfinite(s.real()) && std::isfinite(s.imag());
            input_[k] = finite ? ComplexSample{window_[k] * s.real(), window_[k] * s.imag()}
                               : ComplexSample{};
        }
        const auto bins = transform_.forward(input_);
        const std::size_t half = n / 2;
        for (std::size_t k = 0; k < n; ++k) {
            const double re = bins[2 * k];
            const double im = bins[2 * k + 1];
            power[(k + half) % n] += (re * re + im * im) * gain_;
        }
    }

  private:
    std::vector<double> window_;
    FourierTransform transform_;
    std::vector<IqSample> samples_;
    SampleBuffer input_;
    double gain_ = 1.0;
};

double toDb(double power) {
    return 10.0 * std::log10(std::max(power, kFloorPower));
}

}  // namespace

SpectrumEstimate welchSpectrum(const SampleReader& reader, std::uint64_t begin, std::uint64_t end,
                               double sampleRateHz, const WelchSettings& settings) {
    SpectrumEstimate e;
    if (end <= begin || end - begin < kSmallestTransform) {
        return e;
    }
    const std::size_t n = fittingSize(settings.fftSize, end - begin);
    const auto hop = std::max<std::uint64_t>(
        1, static_cast<std::uint64_t>(static_cast<double>(n) *
                                      (1.0 - std::clamp(settings.overlap, 0.0, 0.95))));
    const std::uint64_t fitting = 1 + (end - begin - n) / hop;
    const std::size_t segments = static_cast<std::size_t>(
        std::min<std::uint64_t>(fitting, std::max<std::size_t>(settings.maxSegments, 1)));
    SegmentPower segment(n, settings.window);
    std::vector<double> power(n, 0.0);
    for (std::size_t s = 0; s < segments; ++s) {
        const std::uint64_t first =
            segments == fitting ? begin + s * hop : segmentStart(begin, end, n, s, segments);
        segment.add(reader, first, power.data());
    }
    e.fftSize = n;
    e.segments = segments;
    e.resolutionBandwidthHz =
        equivalentNoiseBandwidthBins(segment.window()) * sampleRateHz / static_cast<double>(n);
    e.frequenciesHz.resize(n);
    e.powerDb.resize(n);
    for (std::size_t k = 0; k < n; ++k) {
        e.frequenciesHz[k] = (static_cast<double>(k) - static_cast<double>(n / 2)) * sampleRateHz /
                             static_cast<double>(n);
        e.powerDb[k] = toDb(power[k] / static_cast<double>(segments));
    }
    return e;
}

SpectrumPeak peakNear(const SpectrumEstimate& e, double frequencyHz, std::size_t searchBins) {
    const std::size_t n = e.powerDb.size();
    if (n < 3) {
        return {};
    }
    const double binHz = e.frequenciesHz[1] - e.frequenciesHz[0];
    const double position = (frequencyHz - e.frequenciesHz[0]) / binHz;
    const auto centre = static_cast<std::ptrdiff_t>(
        std::llround(std::clamp(position, 0.0, static_cast<double>(n - 1))));
    const auto reach = static_cast<std::ptrdiff_t>(searchBins);
    const std::size_t first = static_cast<std::size_t>(std::max<std::ptrdiff_t>(1, centre - reach));
    const std::size_t last = static_cast<std::size_t>(
        std::min<std::ptrdiff_t>(static_cast<std::ptrdiff_t>(n) - 2, centre + reach));
    std::size_t best = first;
    for (std::size_t k = first; k <= last; ++k) {
        if (e.powerDb[k] > e.powerDb[best]) {
            best = k;
        }
    }
    const double left = e.powerDb[best - 1];
    const double middle = e.powerDb[best];
    const double right = e.powerDb[best + 1];
    const double curvature = left - 2.0 * middle + right;
    const double shift = curvature < 0.0 ? 0.5 * (left - right) / curvature : 0.0;
    // The level is the bin's own: a flat-top window reads a tone's power there wherever it falls,
    // which a parabola through the flat top would overshoot.
    return {e.frequenciesHz[best] + shift * binHz, middle};
}

Spectrogram spectrogram(const SampleReader& reader, std::uint64_t begin, std::uint64_t end,
                        double sampleRateHz, std::size_t fftSize, SpectralWindow window,
                        std::size_t maxRows) {
    Spectrogram g;
    if (end <= begin || end - begin < kSmallestTransform || maxRows == 0) {
        return g;
    }
    const std::size_t n = fittingSize(fftSize, end - begin);
    // No more rows than there are distinct segments to show.
    const std::uint64_t distinct = 1 + (end - begin - n);
    g.rows = static_cast<std::size_t>(std::min<std::uint64_t>(maxRows, distinct));
    g.bins = n;
    g.powerDb.resize(g.rows * n);
    g.rowStarts.resize(g.rows);
    SegmentPower segment(n, window);
    std::vector<double> power(n);
    for (std::size_t r = 0; r < g.rows; ++r) {
        std::fill(power.begin(), power.end(), 0.0);
        g.rowStarts[r] = segmentStart(begin, end, n, r, g.rows);
        segment.add(reader, g.rowStarts[r], power.data());
        for (std::size_t k = 0; k < n; ++k) {
            g.powerDb[r * n + k] = static_cast<float>(toDb(power[k]));
        }
    }
    g.resolutionBandwidthHz =
        equivalentNoiseBandwidthBins(segment.window()) * sampleRateHz / static_cast<double>(n);
    return g;
}

}  // namespace quorvel
