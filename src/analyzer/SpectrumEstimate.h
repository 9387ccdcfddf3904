#pragma once
// Spectrum estimates over a range of a recording: Welch's average of windowed segments, and the
// spectrogram's rows. Both cost a bounded number of transforms whatever the range's length.

#include <cstdint>
#include <vector>

#include "analyzer/SampleReader.h"
#include "analyzer/SpectralWindow.h"

namespace quorvel {

struct WelchSettings {
    std::size_t fftSize = 4096;  // a power of two from 16 up; shortened to fit a short range
    SpectralWindow window = SpectralWindow::Hann;
    double overlap = 0.5;           // of a segment, 0 to below 1
    std::size_t maxSegments = 256;  // more would fit: this many, spread evenly over the range
};

struct SpectrumEstimate {
    std::vector<double> frequenciesHz;  // ascending from -fs/2, fs / N apart
    // Power in each bin [dB]: a tone of mean power P centred on a bin reads 10 log10 P there;
    // noise reads its density times the resolution bandwidth.
    std::vector<double> powerDb;
    double resolutionBandwidthHz = 0.0;  // ENBW x fs / N
    std::size_t fftSize = 0;
    std::size_t segments = 0;
};

// Welch's estimate of samples begin ... end - 1 at sampleRateHz; empty for a range shorter than 16.
SpectrumEstimate welchSpectrum(const SampleReader& reader, std::uint64_t begin, std::uint64_t end,
                               double sampleRateHz, const WelchSettings& settings);

// The strongest bin within searchBins bins of frequencyHz: its level, and its frequency refined by
// a parabola through the levels of the bin and its two neighbours.
struct SpectrumPeak {
    double frequencyHz = 0.0;
    double powerDb = 0.0;
};
SpectrumPeak peakNear(const SpectrumEstimate& estimate, double frequencyHz, std::size_t searchBins);

struct Spectrogram {
    std::size_t rows = 0;
    std::size_t bins = 0;
    std::vector<float> powerDb;  // rows x bins, row 0 the earliest, bins from -fs/2 upwards
    std::vector<std::uint64_t> rowStarts;  // first sample of each row's segment
    double resolutionBandwidthHz = 0.0;
};

// Up to maxRows windowed transforms of fftSize samples spread evenly over begin ... end - 1.
Spectrogram spectrogram(const SampleReader& reader, std::uint64_t begin, std::uint64_t end,
                        double sampleRateHz, std::size_t fftSize, SpectralWindow window,
                        std::size_t maxRows);

}  // namespace quorvel
