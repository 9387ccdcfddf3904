#include "display/Spectrum.h"

#include "display/Decibels.h"
#include "dsp/FourierTransform.h"
#include "common/WideKernel.h"

#include <cstddef>
#include <memory>
#include <mutex>
#include <span>

namespace quorvel {

namespace {

// Keeps one plan alive between calls: the viewer asks for the spectrum of signals whose length
// rarely changes, and planning costs far more than a cache hit. A new length replaces the plan.
class TransformCache {
  public:
    // Runs fn(bins) with the forward transform of signal under the cache's lock.
    template <typename Fn>
    void withTransform(const SampleBuffer& signal, Fn&& fn) {
        const std::lock_guard lock(mutex_);
        if (!transform_ || transform_->length() != signal.size()) {
            transform_.reset();  // free the old buffers before allocating new ones
            transform_ = std::make_unique<FourierTransform>(signal.size());
        }
        fn(transform_->forward(signal));
    }

  private:
    std::mutex mutex_;
    std::unique_ptr<FourierTransform> transform_;
};

TransformCache& transformCache() {
    static TransformCache cache;
    return cache;
}

// The floor keeps empty bins finite: 10 log10(1e-12) = -120 dB. It also keeps every power a
// normal double, which powerToDecibels requires.
constexpr double kPowerFloor = 1e-12;

// Levels of count interleaved (re, im) bins, written to out in the same order. This loop costs
// about as much as FFTW's own share of a bin at the baseline vector width, hence the clones.
QUORVEL_WIDE_KERNEL
void writeLevels(const double* __restrict bins, std::size_t count, double* __restrict out) {
    for (std::size_t k = 0; k < count; ++k) {
        const double re = bins[2 * k];
        const double im = bins[2 * k + 1];
        out[k] = powerToDecibels(re * re + im * im + kPowerFloor);
    }
}

// bins holds N interleaved (re, im) pairs; bin i goes to (i + floor(N/2)) mod N, so the upper half
// of the bins (the negative frequencies) comes first.
void writeRotatedLevels(std::span<const double> bins, std::vector<double>& powerDb) {
    const std::size_t n = bins.size() / 2;
    const std::size_t half = n / 2;
    const std::size_t lower = n - half;  // bins 0 ... lower-1 move up by half
    writeLevels(bins.data(), lower, powerDb.data() + half);
    writeLevels(bins.data() + 2 * lower, half, powerDb.data());
}

// Element i is labelled (i - N * 0.5) * fs / N: for odd N the labels sit half a bin below the
// bins they hold, which no plot shows (the frequency axis runs from the first label to the last)
// and which keeps the labels those of the half-rotated spectrum as always defined here. The index
// runs as an int (FFTW's own limit on N) because only 32-bit integers convert to double in every
// vector unit.
QUORVEL_WIDE_KERNEL
void writeFrequencies(int n, double sampleRateHz, double* __restrict frequencies) {
    const double count = static_cast<double>(n);
    const double centre = count * 0.5;
    for (int i = 0; i < n; ++i) {
        frequencies[i] = (static_cast<double>(i) - centre) * sampleRateHz / count;
    }
}

}  // namespace

void computeSpectrum(const SampleBuffer& signal, double sampleRateHz,
                     std::vector<double>& spectrumFrequencies,
                     std::vector<double>& spectrumPowerDb) {
    if (signal.empty()) {
        return;
    }
    // The outputs change only once the transform exists, so a failed plan leaves them as they were.
    transformCache().withTransform(signal, [&](std::span<const double> bins) {
        // The transform exists, so n is within FFTW's int range.
        const std::size_t n = signal.size();
        spectrumFrequencies.resize(n);
        spectrumPowerDb.resize(n);
        writeFrequencies(static_cast<int>(n), sampleRateHz, spectrumFrequencies.data());
        writeRotatedLevels(bins, spectrumPowerDb);
    });
}

}  // namespace quorvel
