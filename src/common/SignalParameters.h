#pragma once
// The settings of one run, in the order in which the control panel hands them over.

#include <cstdint>
#include <functional>
#include <limits>
#include <map>
#include <string>

#include "common/Transmitter.h"
#include "common/Impairments.h"

namespace quorvel {

// The position in the control panel's modulation list plus one.
enum class ModulationType : std::int32_t {
    Psk = 1,
    Oqpsk = 2,
    Pi4Dqpsk = 3,
    Fsk = 4,
    Msk = 5,
    Gmsk = 6,
    Qam = 7,
    Apsk = 8,
    Ook = 9,
    Ask = 10,
    Pam = 11,
    Tone = 12,
    Cpfsk = 13,
    Gfsk = 14,
    Ofdm = 15,
    Lfm = 16,
    Chirpss = 17,
    AmDsb = 18,
    AmDsbSc = 19,
    AmSsb = 20,
    AmSsbSc = 21,
    Fm = 22,
};

// The values of a family's own parameters by name (such as "tone", in Hz); a family reads a
// missing name as its default.
using WaveformValues = std::map<std::string, double, std::less<>>;

// The position in the control panel's data source list, 0-based.
enum class DataSource : std::int32_t {
    CurrentRandom = 0,
    Prn15Lfsr = 1,
    Prn7Lfsr = 2,
};

// The position in the control panel's output format list, 0-based. Every format also gets a
// SigMF metadata file beside it.
enum class OutputFormat : std::int32_t {
    Csv = 0,   // the text files only
    Cf32 = 1,  // raw little-endian float32 I, Q pairs (a SigMF dataset) only
    Both = 2,
    // The SDR hardware's integer pairs (a SigMF dataset) only, the signal's nominal RMS times the
    // run's scale at full scale. Not in the control panel's list.
    Ci16 = 3,  // little-endian int16
    Ci8 = 4,
    Cu8 = 5,   // uint8 offset by 127.5, as RTL-SDR dongles give them
};

inline bool writesCsv(OutputFormat format) { return format == OutputFormat::Csv || format == OutputFormat::Both; }
// The .sigmf-data file, of float32 or of integer pairs.
inline bool writesSigmfData(OutputFormat format) { return format != OutputFormat::Csv; }
inline bool isIntegerFormat(OutputFormat format) {
    return format == OutputFormat::Ci16 || format == OutputFormat::Ci8 || format == OutputFormat::Cu8;
}

struct SignalParameters {
    ModulationType modulationType = ModulationType::Psk;
    std::int32_t pskOrder = 4;   // 2, 4, 8 or 16 for PSK, else 0
    std::int32_t fskOrder = 0;   // 2, 4 or 8 for FSK, else 0
    std::int32_t qamOrder = 0;   // 16, 32, 64, 256, 1024 or 2048 for QAM, else 0
    std::int32_t apskOrder = 0;  // 16, 32 or 64 for APSK, else 0
    std::string apskRadiiText;   // the radii field's text for APSK, else empty
    // The order of the families after APSK, which share this one field; 0 for the others.
    std::int32_t order = 0;
    WaveformValues values;       // the chosen family's own parameters; empty for the first eight
    std::int32_t symbolCount = 10000;  // symbols per file
    std::int32_t fileCount = 1;
    std::string savePath = ".";  // folder the files go to, used unchanged
    DataSource dataSource = DataSource::CurrentRandom;
    double symbolRate = 1000.0;       // [Hz]
    double samplingRate = 10000.0;    // [Hz]
    double snrDb = 30.0;              // signal-to-noise ratio per complex sample [dB]
    double mixingFrequency = 0.0;     // [Hz], signed
    double timingError = 0.0;         // drift at the end of the buffer [symbol periods], -1 ... 1
    double frequencyOffset = 0.0;     // [Hz], signed
    OutputFormat outputFormat = OutputFormat::Csv;
    // The integer formats' full scale as a factor of the signal's nominal RMS; 0: the default.
    double integerScale = 0.0;
    Transmitter transmitter{};
    Impairments impairments{};
    // The random symbols and the noise from counter-based blocks (Philox) even where the family
    // keeps the twister; off, the family's row decides (Scheme::counterDraws).
    bool counterDraws = false;
    // The analog families' message: "" for band-limited noise, "tone:HZ[,HZ...]" for tones.
    std::string analogMessage;
    // The single-sideband families keep the lower sideband instead of the upper.
    bool lowerSideband = false;
    // An endless stream's symbols: so many that no stream reaches its end, beyond symbolCount's
    // range; 0 for a file, whose symbols are symbolCount. Never recorded: a file has an end.
    std::int64_t streamSymbols = 0;

    friend bool operator==(const SignalParameters&, const SignalParameters&) = default;
};

// The symbols the stages are built for: a file's symbolCount, or an endless stream's count.
inline std::int64_t chainSymbolCount(const SignalParameters& p) {
    return p.streamSymbols > 0 ? p.streamSymbols : p.symbolCount;
}

// An SNR of +infinity asks for no noise at all: no noise stage and no seed drawn for one.
inline bool isNoiseless(double snrDb) {
    return snrDb == std::numeric_limits<double>::infinity();
}

}  // namespace quorvel
