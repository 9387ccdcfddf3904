#pragma once
// The transmitter's own settings: the pulse the symbols are shaped with, how the keyed schemes
// place their symbol boundaries, the bit-to-symbol mapping, the bit source and what the SNR is
// measured against. Every default leaves the signal as the plain mapper and resampling make it.

#include <cstdint>
#include <string>

namespace quorvel {

enum class PulseShape : std::int32_t {
    Linear,             // straight lines between neighbouring symbol points
    RootRaisedCosine,
    RaisedCosine,
    Gaussian,
};

// Where the symbols' bits come from when not from the index sources.
enum class BitSource : std::int32_t {
    Indices,  // none: the data source draws symbol indices
    Prbs7,
    Prbs9,
    Prbs15,
    Prbs23,
    Prbs31,
    File,     // the bytes of bitsFile, repeated
    // ITU-T O.150's own 2^15-1, 2^23-1 and 2^31-1: the registers above with every bit inverted.
    Prbs15Inverted,
    Prbs23Inverted,
    Prbs31Inverted,
};

enum class SnrDefinition : std::int32_t {
    PerSample,  // noise power per complex sample against the measured signal power
    EsN0,       // energy per symbol over the noise density
    EbN0,       // energy per bit over the noise density
};

// The power the SNR sets the noise against.
enum class SnrReference : std::int32_t {
    Measured,  // the file's own mean power, which takes a pass over the file before its noise
    Nominal,   // the waveform's nominal mean power through its pulse, known before any sample
};

// The band an analog family's carrier-to-noise ratio counts the noise in; the keyed families keep
// their definition either way.
enum class AnalogSnrBand : std::int32_t {
    Sampling,  // the whole sampling band: the per-sample SNR, Es/N0 at one symbol a sample
    Occupied,  // the family's occupied band, C/N as an analog receiver sees it
};

// The longest pulse a run may be given [symbols].
inline constexpr std::int32_t kMaxPulseSpanSymbols = 256;

struct Transmitter {
    PulseShape pulse = PulseShape::Linear;
    double rolloff = 0.35;     // roll-off factor of the cosine pulses, or BT of the Gaussian one
    std::int32_t span = 10;    // pulse length [symbols]
    bool exactTiming = false;  // keyed schemes: symbol k starts at k / symbolRate exactly
    bool gray = false;
    BitSource bits = BitSource::Indices;
    std::string bitsFile;      // for BitSource::File
    SnrDefinition snrDefinition = SnrDefinition::PerSample;
    SnrReference snrReference = SnrReference::Measured;
    AnalogSnrBand analogSnrBand = AnalogSnrBand::Sampling;

    friend bool operator==(const Transmitter&, const Transmitter&) = default;
};

}  // namespace quorvel
