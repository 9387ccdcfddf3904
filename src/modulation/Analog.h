#pragma once
// The analog families: AM with and without carrier, double or single sideband, and FM, each a
// message modulated onto a carrier at 0 Hz. The message is one or more tones, or Gaussian noise in
// a band, its random draws being the run's symbols: one symbol a sample, a 16-bit index turned into
// a Gaussian number through the normal quantile function, so the counter-based draws and the data
// sources apply as they do to any family.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/Signal.h"
#include "common/SignalParameters.h"

namespace quorvel {

enum class AnalogKind { AmDsb, AmDsbSc, AmSsb, AmSsbSc, Fm };

// Symbols the noise message draws from: each index one quantile of the normal distribution.
inline constexpr std::int32_t kAnalogAlphabet = 65536;
// The noise message's lowest frequency: the voice band's 300 Hz, raised at high sampling rates so
// the band-pass filter stays at most kMaxMessageTaps long.
inline constexpr double kVoiceLowHz = 300.0;
inline constexpr std::size_t kMaxMessageTaps = 4095;

// The message a run asks for: tones (their frequencies [Hz]), a WAV file, or band-limited noise.
struct AnalogMessage {
    std::vector<double> tonesHz;
    std::string filePath;
};

// "" is the noise message; "tone:HZ[,HZ...]" one or more tones; a path ending in ".wav" a file,
// read by readMessageFile. Nothing for any other text.
std::optional<AnalogMessage> parseAnalogMessage(std::string_view text);

// The noise message's band [Hz] for the sampling rate and the top of the band asked for.
struct MessageBand {
    double lowHz = 0.0;
    double highHz = 0.0;
};
MessageBand noiseMessageBand(double samplingRateHz, double topHz);

// The settings an analog mapper needs, worked out once from the run's.
struct AnalogSettings {
    AnalogKind kind = AnalogKind::AmDsb;
    AnalogMessage message;
    double samplingRateHz = 1.0;
    double messageTopHz = 3400.0;  // the noise message's top
    double modDepth = 0.5;         // AM with carrier
    double deviationHz = 0.0;      // FM's peak deviation for a message of peak 1
    bool lowerSideband = false;
};

// The analytic message x + j H{x}: x peaks at 1 for tones and for a file (its period repeated, see
// MessageFile.h) (K tones of amplitude 1/K, all starting
// at phase 0) and has standard deviation 1/4 for noise (a draw beyond 1 one sample in 16 000).
// Noise is white Gaussian through a complex band-pass filter that passes only the positive
// frequencies of the band: its real part is the band-limited message, its imaginary part the
// Hilbert transform, so the single sidebands need no second filter. Where the sampling rate is
// more than 32 times the band's top, the filter runs every D-th sample, D = floor(fs / (16 top)),
// and the samples between lie on straight lines between its outputs one stride late: the line's
// images at multiples of fs / D fall at least 45 dB down (sinc^2 at 15/16), at a D-th of the cost. Its state (the
// last taps - 1 draws, the last two outputs) runs on from piece to piece.
class AnalogMessageSource {
public:
    // Throws std::runtime_error, with readMessageFile's reason, for a file that cannot be read.
    explicit AnalogMessageSource(const AnalogSettings& settings);
    // The analytic message for the next symbols.size() samples.
    void next(const SymbolSequence& symbols, std::vector<ComplexSample>& out);
    // The mean power of x (and of H{x}).
    double messagePower() const { return power_; }

private:
    std::vector<double> cyclesPerSample_;  // tones
    std::vector<ComplexSample> period_;    // a file
    double amplitude_ = 0.0;
    std::vector<double> tapsI_, tapsQ_;    // noise: the filter, newest draw last
    std::vector<double> history_;
    // The filter runs every stride_-th sample only, the samples between taken on the straight line
    // between its last two outputs, one stride late.
    std::uint64_t stride_ = 1;
    ComplexSample previous_{}, current_{};
    std::uint64_t next_ = 0;
    double power_ = 0.0;
};

// A Gaussian number from a symbol index: the normal quantile at (index + 1/2) / 65536.
double analogGaussian(std::int32_t index);

// The mapper: one sample per symbol, unit mean power nominally.
class AnalogMapper {
public:
    explicit AnalogMapper(const AnalogSettings& settings);
    void append(const SymbolSequence& symbols, SampleBuffer& out);

private:
    AnalogSettings settings_;
    AnalogMessageSource message_;
    std::vector<ComplexSample> analytic_;
    double scale_ = 1.0;
    double phase_ = 0.0;  // FM, kept within (-pi, pi]
};

SampleBuffer modulateAnalog(const SymbolSequence& symbols, const AnalogSettings& settings);

}  // namespace quorvel
