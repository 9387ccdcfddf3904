#include "modulation/SchemeCatalog.h"

#include <array>
#include <cctype>
#include <cmath>
#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <numeric>
#include <limits>

#include "common/NumberText.h"
#include "common/PrintableText.h"
#include "modulation/Analog.h"
#include "modulation/MessageFile.h"
#include "modulation/Apsk.h"
#include "modulation/Constellation.h"
#include "modulation/Chirp.h"
#include "modulation/Cpfsk.h"
#include "modulation/FamilyParameters.h"
#include "modulation/Gfsk.h"
#include "modulation/Fsk.h"
#include "modulation/Gmsk.h"
#include "modulation/Msk.h"
#include "modulation/Ofdm.h"
#include "modulation/Oqpsk.h"
#include "modulation/Pi4Dqpsk.h"
#include "modulation/Psk.h"
#include "modulation/Qam.h"
#include "modulation/SamplesPerSymbol.h"
#include "modulation/SymbolTiming.h"
#include "modulation/Tone.h"

namespace quorvel {
namespace {

// Orders added after the first release go at the end of a list and stay off the panel's lists,
// which keep their items; the waveform dialog offers them.
constexpr std::array<SchemeOrder, 6> kPskOrders{{{2, "2 (BPSK)"},
                                                 {4, "4 (QPSK)"},
                                                 {8, "8 (8-PSK)"},
                                                 {16, "16 (16-PSK)"},
                                                 {32, "32 (32-PSK)", {}, {}, false},
                                                 {64, "64 (64-PSK)", {}, {}, false}}};
constexpr std::array<SchemeOrder, 3> kFskOrders{{{2, "2 (2-FSK)"}, {4, "4 (4-FSK)"}, {8, "8 (8-FSK)"}}};
constexpr std::array<SchemeOrder, 8> kQamOrders{{{16, "16 (16-QAM)"},
                                                 {32, "32 (32-QAM)"},
                                                 {64, "64 (64-QAM)"},
                                                 {256, "256 (256-QAM)"},
                                                 {1024, "1024 (1024-QAM)"},
                                                 {2048, "2048 (2048-QAM)"},
                                                 {128, "128 (128-QAM)", {}, {}, false},
                                                 {512, "512 (512-QAM)", {}, {}, false}}};
constexpr std::array<int, 2> kApsk16Rings{4, 12};
constexpr std::array<int, 3> kApsk32Rings{4, 12, 16};
constexpr std::array<int, 4> kApsk64Rings{8, 12, 20, 24};
// DVB-S2X's ring layout for 128 (five rings of 16 inside one of 48); the radii are our own even
// spacing, about one inner-ring neighbour distance apart, not the standard's per-code-rate values.
constexpr std::array<int, 6> kApsk128Rings{16, 16, 16, 16, 16, 48};
constexpr std::array<SchemeOrder, 4> kApskOrders{{{16, "16 (16-APSK)", kApsk16Rings, "0.5 1.5"},
                                                  {32, "32 (32-APSK)", kApsk32Rings, "0.3 0.7 1.2"},
                                                  {64, "64 (64-APSK)", kApsk64Rings, "0.8 1.2 2.0 2.5"},
                                                  {128, "128 (128-APSK)", kApsk128Rings, "1.0 1.6 2.2 2.8 3.4 4.2", false}}};
constexpr std::array<SchemeOrder, 1> kOokOrders{{{2, "2 (OOK)"}}};
constexpr std::array<SchemeOrder, 5> kAskOrders{
    {{4, "4 (4-ASK)"}, {8, "8 (8-ASK)"}, {16, "16 (16-ASK)"}, {32, "32 (32-ASK)"}, {64, "64 (64-ASK)"}}};
constexpr std::array<SchemeOrder, 5> kPamOrders{
    {{4, "4 (4-PAM)"}, {8, "8 (8-PAM)"}, {16, "16 (16-PAM)"}, {32, "32 (32-PAM)"}, {64, "64 (64-PAM)"}}};

constexpr std::array<WaveformParameter, 1> kToneParameters{{
    {.name = "tone",
     .help = "Tone frequency [Hz], at most half the sampling rate either way",
     .valueName = "HZ",
     .invalidMessage = "Invalid Tone Frequency.",
     .defaultValue = 1000.0,
     .minimum = -1e12,
     .maximum = 1e12},
}};

constexpr std::array<SchemeOrder, 4> kCpfskOrders{
    {{2, "2 (2-CPFSK)"}, {4, "4 (4-CPFSK)"}, {8, "8 (8-CPFSK)"}, {16, "16 (16-CPFSK)"}}};
constexpr std::array<WaveformParameter, 1> kCpfskParameters{{kModIndex}};

constexpr std::array<SchemeOrder, 4> kGfskOrders{
    {{2, "2 (2-GFSK)"}, {4, "4 (4-GFSK)"}, {8, "8 (8-GFSK)"}, {16, "16 (16-GFSK)"}}};
constexpr std::array<WaveformParameter, 2> kGfskParameters{{kModIndex, kBandwidthTime}};
constexpr std::array<WaveformParameter, 3> kLfmParameters{{kChirpBandwidth, kChirpLength, kChirpGap}};
constexpr std::array<WaveformParameter, 2> kChirpssParameters{{kSpreadingFactor, kChirpBandwidth}};
constexpr std::array<WaveformParameter, 2> kAmParameters{{kModDepth, kMessageBandwidth}};
constexpr std::array<WaveformParameter, 1> kAmScParameters{{kMessageBandwidth}};
constexpr std::array<WaveformParameter, 2> kFmParameters{{kDeviation, kMessageBandwidth}};

// FFTW takes any length; these are the usual ones (LTE's 72 to 1200 among them).
constexpr std::array<int, 12> kOfdmFftSizes{64, 72, 128, 180, 256, 300, 512, 600, 900, 1024, 1200, 2048};
// The subcarrier word "name:order" is held as type * kWordTypeStep + order.
constexpr double kWordTypeStep = 10000.0;

std::optional<double> subcarriersFromWord(std::string_view word);
std::string subcarriersToWord(double value);

constexpr std::array<WaveformParameter, 4> kOfdmParameters{{
    {.name = "subcarriers",
     .help = "OFDM subcarriers, SCHEME:ORDER of psk, qam, apsk, ook, ask or pam",
     .valueName = "SCHEME:ORDER",
     .invalidMessage = "Invalid OFDM Subcarriers.",
     .defaultValue = static_cast<std::int32_t>(ModulationType::Psk) * kWordTypeStep + 4,  // psk:4
     .minimum = 0.0,
     .maximum = 1e9,
     .fromWord = subcarriersFromWord,
     .toWord = subcarriersToWord},
    {.name = "fft_size",
     .help = "OFDM FFT size N [bins of one sample]: 64, 72, 128, 180, 256, 300, 512, 600, 900, 1024, 1200 or 2048",
     .valueName = "N",
     .invalidMessage = "Invalid FFT Size.",
     .defaultValue = 64.0,
     .minimum = 64.0,
     .maximum = 2048.0},
    {.name = "cp_ratio",
     .help = "OFDM cyclic prefix as a share of N, 0 to 1",
     .valueName = "R",
     .invalidMessage = "Invalid Cyclic Prefix Ratio.",
     .defaultValue = 0.25,
     .minimum = 0.0,
     .maximum = 1.0},
    {.name = "active",
     .help = "OFDM active subcarriers K, 1 to N-1 beside the empty DC bin; 0: about 5/6 of N",
     .valueName = "K",
     .invalidMessage = "Invalid Active Subcarriers.",
     .defaultValue = 0.0,
     .minimum = 0.0,
     .maximum = 2047.0},
}};

// The amplitude families' tables, one builder each, read by one mapper.
struct LinearTable {
    ModulationType type;
    Constellation (*make)(int order);
};
const std::array<LinearTable, 3> kLinearTables{{
    {ModulationType::Ook, [](int) { return ookConstellation(); }},
    {ModulationType::Ask, askConstellation},
    {ModulationType::Pam, pamConstellation},
}};

Constellation linearTable(const SignalParameters& p) {
    for (const LinearTable& table : kLinearTables) {
        if (table.type == p.modulationType) {
            return table.make(p.order);
        }
    }
    return {};
}

double samplesPerSymbol(const SignalParameters& p) {
    return p.samplingRate / p.symbolRate;
}

// Each tone must fit below the sampling rate: the mapper keys tones at multiples of the symbol rate.
std::optional<std::string> fskRefusal(const SignalParameters& p) {
    const double bound = std::floor(p.samplingRate / p.fskOrder);
    if (p.symbolRate > bound) {
        return "FSK of order " + std::to_string(p.fskOrder) + " needs a symbol rate of at most floor(" +
               numberText(p.samplingRate) + " / " + std::to_string(p.fskOrder) + ") = " + numberText(bound) +
               " Hz (it is " + numberText(p.symbolRate) + " Hz).";
    }
    return std::nullopt;
}

std::optional<std::string> qamRefusal(const SignalParameters& p) {
    if (!isQamOrderSupported(p.qamOrder)) {
        return "QAM order " + std::to_string(p.qamOrder) + " is not supported (use 32, 2048 or a square order).";
    }
    return std::nullopt;
}

std::optional<std::string> apskRefusal(const SignalParameters& p) {
    const auto rings = defaultApskRings(p.apskOrder).ringSizes.size();
    const auto radii = apskRadiiForRun(p).size();
    if (radii != rings) {
        return "APSK order " + std::to_string(p.apskOrder) + " has " + std::to_string(rings) +
               " rings but the radii text gives " + std::to_string(radii) + " radii.";
    }
    return std::nullopt;
}

// The tone is one exponential of its own phase: a frequency beyond half the sampling rate would
// alias, and it has no bits to carry and no symbol grid to key exactly.
std::optional<std::string> toneRefusal(const SignalParameters& p) {
    const double toneHz = waveformValue(p, kToneParameters[0]);
    if (!(std::abs(toneHz) <= p.samplingRate / 2.0)) {
        return "A tone of " + numberText(toneHz) + " Hz needs a sampling rate of at least twice that (it is " +
               numberText(p.samplingRate) + " Hz).";
    }
    if (p.transmitter.bits != BitSource::Indices) {
        return std::string("A tone carries no bits: use a data source, not a bit source.");
    }
    if (p.transmitter.exactTiming) {
        return std::string("A tone has no symbol grid to key exactly: leave exact timing off.");
    }
    return std::nullopt;
}

// CPFSK and GFSK key whole samples per symbol and have no exact grid; the highest tone must stay
// below half the sampling rate.
std::optional<std::string> continuousPhaseRefusal(const SignalParameters& p) {
    const std::string family = upperCaseName(p.modulationType);
    if (p.transmitter.exactTiming) {
        return family + " keys whole samples per symbol: leave exact timing off.";
    }
    const double h = waveformValue(p, kModIndex);
    const double highestHz = h * p.symbolRate * (p.order - 1) / 2.0;
    if (!(highestHz < p.samplingRate / 2.0)) {
        return family + " of order " + std::to_string(p.order) + " and index " + numberText(h) + " reaches " +
               numberText(highestHz) + " Hz, not below half the sampling rate (" + numberText(p.samplingRate) +
               " Hz).";
    }
    return std::nullopt;
}

// The settings may come from anywhere (a caller of the library, a fuzzer), not only through the
// readers that hold each parameter to its bounds.
std::optional<std::string> boundsRefusal(const SignalParameters& p, std::span<const WaveformParameter> own) {
    for (const WaveformParameter& parameter : own) {
        const double value = waveformValue(p, parameter);
        if (!(value >= parameter.minimum && value <= parameter.maximum)) {
            return parameterOption(parameter) + " must be from " + numberText(parameter.minimum) + " to " +
                   numberText(parameter.maximum) + " (it is " + numberText(value) + ").";
        }
    }
    return std::nullopt;
}

std::optional<std::string> gfskRefusal(const SignalParameters& p) {
    if (auto bounds = boundsRefusal(p, kGfskParameters)) {
        return bounds;
    }
    return continuousPhaseRefusal(p);
}

// A parameter counted in samples or a spreading factor is a whole number.
std::optional<std::string> wholeRefusal(const SignalParameters& p, const WaveformParameter& parameter) {
    const double value = waveformValue(p, parameter);
    if (value != std::floor(value)) {
        return parameterOption(parameter) + " must be a whole number (it is " + numberText(value) + ").";
    }
    return std::nullopt;
}

// A sweep centred on 0 Hz stays within the sampling band when it is at most the sampling rate wide.
std::optional<std::string> chirpBandRefusal(const SignalParameters& p) {
    const double bandwidthHz = waveformValue(p, kChirpBandwidth);
    if (!(bandwidthHz <= p.samplingRate)) {
        return "A chirp bandwidth of " + numberText(bandwidthHz) + " Hz does not fit the sampling rate of " +
               numberText(p.samplingRate) + " Hz (it may be at most that).";
    }
    return std::nullopt;
}

// An LFM pulse carries nothing: the symbols only count the pulses. Its timing is its own.
std::optional<std::string> lfmRefusal(const SignalParameters& p) {
    if (auto bounds = boundsRefusal(p, kLfmParameters)) {
        return bounds;
    }
    for (const WaveformParameter& parameter : {kChirpLength, kChirpGap}) {
        if (auto whole = wholeRefusal(p, parameter)) {
            return whole;
        }
    }
    if (auto band = chirpBandRefusal(p)) {
        return band;
    }
    if (p.transmitter.bits != BitSource::Indices) {
        return std::string("LFM pulses carry no bits: use a data source, not a bit source.");
    }
    if (p.transmitter.exactTiming) {
        return std::string("LFM pulses are counted in samples: leave exact timing off.");
    }
    return std::nullopt;
}

// The most samples one chirp symbol may take (a 16 MiB piece of single-precision pairs).
constexpr double kMaxChirpSymbolSamples = 2097152.0;

std::optional<std::string> chirpssRefusal(const SignalParameters& p) {
    if (auto bounds = boundsRefusal(p, kChirpssParameters)) {
        return bounds;
    }
    if (auto whole = wholeRefusal(p, kSpreadingFactor)) {
        return whole;
    }
    if (auto band = chirpBandRefusal(p)) {
        return band;
    }
    const double perSymbol = std::exp2(waveformValue(p, kSpreadingFactor)) * p.samplingRate / waveformValue(p, kChirpBandwidth);
    if (!(perSymbol <= kMaxChirpSymbolSamples)) {
        return "A chirp symbol of 2^SF fs / B = " + numberText(perSymbol) + " samples is longer than 2^21 = " +
               std::to_string(static_cast<long>(kMaxChirpSymbolSamples)) + ": widen the chirp bandwidth.";
    }
    if (p.transmitter.exactTiming) {
        return std::string("Chirp symbols are counted in samples: leave exact timing off.");
    }
    return std::nullopt;
}

AnalogKind analogKind(ModulationType type) {
    switch (type) {
        case ModulationType::AmDsbSc: return AnalogKind::AmDsbSc;
        case ModulationType::AmSsb: return AnalogKind::AmSsb;
        case ModulationType::AmSsbSc: return AnalogKind::AmSsbSc;
        case ModulationType::Fm: return AnalogKind::Fm;
        default: return AnalogKind::AmDsb;
    }
}

// FM's deviation: the run's, or the scaled default that keeps Carson's band inside narrow
// sampling rates.
double fmDeviation(const SignalParameters& p) {
    const double asked = waveformValue(p, kDeviation);
    return asked > 0.0 ? asked : std::min(5000.0, p.samplingRate / 8.0);
}

// The highest frequency of the message: its top tone, or the noise band's top.
double messageTopHz(const SignalParameters& p) {
    const std::optional<AnalogMessage> message = parseAnalogMessage(p.analogMessage);
    if (!message || message->tonesHz.empty()) {
        return waveformValue(p, kMessageBandwidth);
    }
    return *std::max_element(message->tonesHz.begin(), message->tonesHz.end());
}

AnalogSettings analogSettings(const SignalParameters& p) {
    AnalogSettings settings{.kind = analogKind(p.modulationType),
                            .message = parseAnalogMessage(p.analogMessage).value_or(AnalogMessage{}),
                            .samplingRateHz = p.samplingRate,
                            .messageTopHz = waveformValue(p, kMessageBandwidth),
                            .modDepth = 0.0,
                            .deviationHz = 0.0,
                            .lowerSideband = p.lowerSideband};
    const Scheme* scheme = findScheme(p.modulationType);
    for (const WaveformParameter& parameter : scheme->parameters) {
        if (parameter.name == kModDepth.name) {
            settings.modDepth = waveformValue(p, kModDepth);
        }
    }
    if (settings.kind == AnalogKind::Fm) {
        settings.deviationHz = fmDeviation(p);
    }
    return settings;
}

// The message fits below half the sampling rate; the analog families carry no bits and have no
// symbol grid (a symbol is one message draw, one sample).
std::optional<std::string> analogRefusal(const SignalParameters& p) {
    const std::string family = upperCaseName(p.modulationType);
    const Scheme* scheme = findScheme(p.modulationType);
    if (auto bounds = boundsRefusal(p, scheme->parameters)) {
        return bounds;
    }
    const std::optional<AnalogMessage> message = parseAnalogMessage(p.analogMessage);
    if (!message) {
        return "The message must be tone:HZ[,HZ...], a FILE.wav or a noise band (it is \"" +
               printableText(p.analogMessage, 40) + "\").";
    }
    if (!message->filePath.empty()) {
        const double top = waveformValue(p, kMessageBandwidth);
        if (!(top < p.samplingRate / 2.0)) {
            return "A message file's band up to " + numberText(top) + " Hz must end below half the sampling rate (" +
                   numberText(p.samplingRate / 2.0) + " Hz).";
        }
        if (MessageFileReading reading = readMessageFile(message->filePath, p.samplingRate, top); !reading) {
            return "--message: " + reading.problem + ".";
        }
    }
    for (const double hz : message->tonesHz) {
        if (!(hz > 0.0 && hz < p.samplingRate / 2.0)) {
            return "A message tone of " + numberText(hz) + " Hz must lie above 0 Hz and below half the sampling rate (" +
                   numberText(p.samplingRate / 2.0) + " Hz).";
        }
    }
    if (message->tonesHz.empty() && message->filePath.empty()) {
        const MessageBand band = noiseMessageBand(p.samplingRate, waveformValue(p, kMessageBandwidth));
        if (!(band.highHz > band.lowHz && band.highHz < p.samplingRate / 2.0)) {
            return "A noise message up to " + numberText(band.highHz) + " Hz must start below its top (at " +
                   numberText(band.lowHz) + " Hz) and end below half the sampling rate (" +
                   numberText(p.samplingRate / 2.0) + " Hz).";
        }
    }
    if (p.modulationType == ModulationType::Fm && !(fmDeviation(p) + messageTopHz(p) <= p.samplingRate / 2.0)) {
        return "FM's Carson band 2 (" + numberText(fmDeviation(p)) + " + " + numberText(messageTopHz(p)) +
               ") Hz does not fit the sampling rate of " + numberText(p.samplingRate) + " Hz.";
    }
    if (p.transmitter.bits != BitSource::Indices) {
        return family + " carries a message, no bits: use a data source, not a bit source.";
    }
    if (p.transmitter.snrDefinition == SnrDefinition::EbN0) {
        return family + " carries a message, no bits: Eb/N0 has no meaning (use sample or esn0, one symbol a sample).";
    }
    if (p.transmitter.exactTiming) {
        return family + " draws its message at the sampling rate: leave exact timing off.";
    }
    return std::nullopt;
}

GrayChoice grayAlongLine(const SignalParameters&) { return {GrayMap{GrayLayout::Line}}; }
GrayChoice grayUnchanged(const SignalParameters&) { return {GrayMap{GrayLayout::Unchanged}}; }

// The square orders with a power-of-two side and 2048's 64 x 32 grid have rows and columns to
// label; the cross of 32 has not.
GrayChoice qamGray(const SignalParameters& p) {
    if (p.qamOrder == 2048) {
        return {GrayMap{GrayLayout::Grid, 64}};
    }
    const auto side = static_cast<std::int32_t>(std::lround(std::sqrt(static_cast<double>(std::max(p.qamOrder, 0)))));
    if (p.qamOrder >= 4 && side * side == p.qamOrder && (side & (side - 1)) == 0) {
        return {GrayMap{GrayLayout::Grid, side}};
    }
    switch (p.qamOrder) {
        case 32: return {std::nullopt, "32-QAM: its cross has no unique Gray map"};
        case 128: return {std::nullopt, "128-QAM: its cross has no unique Gray map"};
        case 512: return {std::nullopt, "512-QAM: its cross has no unique Gray map"};
        default: return {std::nullopt, "this QAM order: its grid has no power-of-two side"};
    }
}

GrayChoice apskGray(const SignalParameters&) {
    return {std::nullopt, "APSK: its rings of unequal sizes have no unique Gray map"};
}

// OQPSK's point per symbol when a pulse shapes the rails: both rails take their bit every symbol.
SampleBuffer oqpskRails(const SymbolSequence& s, const SignalParameters&) {
    SampleBuffer points(s.size());
    for (std::size_t n = 0; n < s.size(); ++n) {
        points[n] = oqpskCorner(s[n]);
    }
    return points;
}

template <auto Map>
std::unique_ptr<BlockMapper> memorylessOf(const SignalParameters& p) {
    return memorylessMapper([p](const SymbolSequence& symbols) { return Map(symbols, p); });
}

SampleBuffer mapPsk(const SymbolSequence& s, const SignalParameters& p) { return modulatePsk(s, p.pskOrder); }
SampleBuffer mapOqpsk(const SymbolSequence& s, const SignalParameters&) { return modulateOqpsk(s); }
SampleBuffer mapPi4Dqpsk(const SymbolSequence& s, const SignalParameters&) { return modulatePi4Dqpsk(s, Pi * 0.25); }
SampleBuffer mapFsk(const SymbolSequence& s, const SignalParameters& p) {
    return modulateFsk(s, p.fskOrder, p.symbolRate, p.samplingRate);
}
SampleBuffer mapMsk(const SymbolSequence& s, const SignalParameters& p) { return modulateMsk(s, samplesPerSymbol(p)); }
SampleBuffer mapGmsk(const SymbolSequence& s, const SignalParameters& p) { return modulateGmsk(s, samplesPerSymbol(p)); }
SampleBuffer mapQam(const SymbolSequence& s, const SignalParameters& p) { return modulateQam(s, p.qamOrder); }
SampleBuffer mapApsk(const SymbolSequence& s, const SignalParameters& p) {
    return modulateApsk(s, defaultApskRings(p.apskOrder).ringSizes, apskRadiiForRun(p));
}

SampleBuffer mapLinear(const SymbolSequence& s, const SignalParameters& p) { return mapConstellation(s, linearTable(p)); }
std::unique_ptr<BlockMapper> linearBlockMapper(const SignalParameters& p) {
    return memorylessMapper([table = linearTable(p)](const SymbolSequence& s) { return mapConstellation(s, table); });
}
SampleBuffer mapTone(const SymbolSequence& s, const SignalParameters& p) {
    return modulateTone(s, waveformValue(p, kToneParameters[0]), p.samplingRate,
                        wholeSamplesPerSymbol(samplesPerSymbol(p)));
}

SampleBuffer mapCpfsk(const SymbolSequence& s, const SignalParameters& p) {
    return modulateCpfsk(s, p.order, waveformValue(p, kModIndex), wholeSamplesPerSymbol(samplesPerSymbol(p)));
}

SampleBuffer mapGfsk(const SymbolSequence& s, const SignalParameters& p) {
    return modulateGfsk(s, p.order, waveformValue(p, kModIndex), waveformValue(p, kBandwidthTime),
                        wholeSamplesPerSymbol(samplesPerSymbol(p)));
}
std::unique_ptr<BlockMapper> gfskBlockMapper(const SignalParameters& p) {
    return statefulMapper<GfskMapper>(p.order, waveformValue(p, kModIndex), waveformValue(p, kBandwidthTime),
                                      static_cast<std::size_t>(chainSymbolCount(p)),
                                      wholeSamplesPerSymbol(samplesPerSymbol(p)));
}

std::size_t lfmLength(const SignalParameters& p) {
    return static_cast<std::size_t>(waveformValue(p, kChirpLength));
}
std::size_t lfmGap(const SignalParameters& p) {
    return static_cast<std::size_t>(waveformValue(p, kChirpGap));
}
SampleBuffer mapLfm(const SymbolSequence& s, const SignalParameters& p) {
    return modulateLfm(s, waveformValue(p, kChirpBandwidth), p.samplingRate, lfmLength(p), lfmGap(p));
}
int spreadingFactor(const SignalParameters& p) {
    return static_cast<int>(waveformValue(p, kSpreadingFactor));
}
SampleBuffer mapChirpss(const SymbolSequence& s, const SignalParameters& p) {
    return modulateChirpSpread(s, spreadingFactor(p), waveformValue(p, kChirpBandwidth), p.samplingRate);
}

// Each file holds its symbol count of pulses or chirp symbols, whatever the symbol rate.
double lfmSamplesPerFile(const SignalParameters& p) {
    return static_cast<double>(chainSymbolCount(p)) * (waveformValue(p, kChirpLength) + waveformValue(p, kChirpGap));
}
// In doubles, as chirpSymbolSamples rounds, so that settings the run check refuses stay numbers.
double chirpssSamplesPerFile(const SignalParameters& p) {
    const double chips = std::exp2(waveformValue(p, kSpreadingFactor));
    return static_cast<double>(chainSymbolCount(p)) * std::round(chips * p.samplingRate / waveformValue(p, kChirpBandwidth));
}
std::int32_t chirpssAlphabet(const SignalParameters& p) {
    const double sf = waveformValue(p, kSpreadingFactor);
    return sf >= kSpreadingFactor.minimum && sf <= kSpreadingFactor.maximum && sf == std::floor(sf)
               ? std::int32_t{1} << static_cast<int>(sf)
               : 0;
}

// The occupied bands. Each is the band holding about 99 % of the power, from a closed form or a
// standard table, never wider than the sampling rate.
double withinSampling(const SignalParameters& p, double bandHz) {
    return std::min(bandHz, p.samplingRate);
}
// 99 % of a Gaussian spectrum lies within +-2.576 standard deviations; the Gaussian pulse of
// bandwidth-time product BT has a power spectrum of standard deviation BT Rs / sqrt(2 ln 2).
double gaussianBand(double bandwidthTime, double symbolRateHz) {
    return 2.0 * 2.5758 * bandwidthTime * symbolRateHz / std::sqrt(2.0 * std::log(2.0));
}
// The 99 % band [symbol rates] of a cosine pulse of roll-off a: the root-raised cosine's power
// spectrum is the raised cosine, the raised cosine's its square. Over the roll-off, at
// x = pi (f - (1-a)/2) / a from 0 to pi, the density is ((1 + cos x) / 2)^k, whose integral is
// (x + sin x) / 2 for k = 1 and (3x/2 + 2 sin x + sin(2x) / 4) / 4 for k = 2; the band edge is
// where the power from 0 Hz up reaches 99 % of the half spectrum's.
double cosineBand(double rolloff, bool squared) {
    const double flat = (1.0 - rolloff) / 2.0;
    const auto rolled = [&](double x) {
        const double integral = squared ? (1.5 * x + 2.0 * std::sin(x) + std::sin(2.0 * x) / 4.0) / 4.0
                                        : (x + std::sin(x)) / 2.0;
        return rolloff / Pi * integral;
    };
    const double target = 0.99 * (flat + rolled(Pi));
    if (target <= flat) {
        return 2.0 * target;
    }
    double low = 0.0, high = Pi;
    for (int step = 0; step < 60; ++step) {
        const double middle = 0.5 * (low + high);
        (flat + rolled(middle) < target ? low : high) = middle;
    }
    return 2.0 * (flat + rolloff * low / Pi);
}
// Points shaped by a pulse: the cosine pulses' 99 % bands, at most (1 + rolloff) Rs; the
// Gaussian's; and for the straight lines between points (a triangle two symbols wide, whose
// spectrum is sinc^4) 1.30 Rs.
double linearBand(const SignalParameters& p) {
    const double rs = effectiveSymbolRate(p);
    switch (p.transmitter.pulse) {
        case PulseShape::RootRaisedCosine: return withinSampling(p, cosineBand(p.transmitter.rolloff, false) * rs);
        case PulseShape::RaisedCosine: return withinSampling(p, cosineBand(p.transmitter.rolloff, true) * rs);
        case PulseShape::Gaussian: return withinSampling(p, gaussianBand(p.transmitter.rolloff, rs));
        case PulseShape::Linear: break;
    }
    return withinSampling(p, 1.30 * rs);
}
// Each FSK symbol restarts its tone at phase 0, so the mean symbol repeats every symbol and its
// harmonics at multiples of Rs, falling off only as 1 / m^2, hold most of the band: the power
// spectrum of restarting tones (its continuous density plus those lines) puts 99 % within 38 Rs for
// orders 2 and 4 and 40 Rs for 8. Stated: the tones' span (M-1) Rs plus 38 Rs.
double fskBand(const SignalParameters& p) {
    return withinSampling(p, (p.fskOrder - 1 + 38.0) * effectiveSymbolRate(p));
}
// The 99 % bands of MSK (1.18 Rs) and of GMSK at BT 0.3 (0.92 Rs), after Murota and Hirade (1981).
double mskBand(const SignalParameters& p) { return withinSampling(p, 1.18 * effectiveSymbolRate(p)); }
double gmskBand(const SignalParameters& p) { return withinSampling(p, 0.92 * effectiveSymbolRate(p)); }
// Carson's rule, 2 (peak deviation + highest modulating frequency): the deviation is h (M-1) Rs / 2,
// the rectangular frequency pulse's modulating band Rs / 2, the Gaussian one's BT Rs.
double cpfskBand(const SignalParameters& p) {
    return withinSampling(p, (waveformValue(p, kModIndex) * (p.order - 1) + 1.0) * effectiveSymbolRate(p));
}
double gfskBand(const SignalParameters& p) {
    return withinSampling(p, (waveformValue(p, kModIndex) * (p.order - 1) + 2.0 * waveformValue(p, kBandwidthTime)) *
                                 effectiveSymbolRate(p));
}
double chirpBand(const SignalParameters& p) { return withinSampling(p, waveformValue(p, kChirpBandwidth)); }
double noBand(const SignalParameters&) { return 0.0; }
// The analog bands: both sidebands 2 fmax, one sideband fmax, FM Carson's 2 (deviation + fmax).
double doubleSidebandBand(const SignalParameters& p) { return withinSampling(p, 2.0 * messageTopHz(p)); }
double singleSidebandBand(const SignalParameters& p) { return withinSampling(p, messageTopHz(p)); }
double fmBand(const SignalParameters& p) { return withinSampling(p, 2.0 * (fmDeviation(p) + messageTopHz(p))); }
// The analog families' samples are scaled to unit mean power by their message's stated power.
double unitPower(const SignalParameters&) { return 1.0; }
// One symbol is one message draw and one sample.
double analogSamplesPerFile(const SignalParameters& p) { return static_cast<double>(chainSymbolCount(p)); }
SampleBuffer mapAnalog(const SymbolSequence& s, const SignalParameters& p) { return modulateAnalog(s, analogSettings(p)); }

// The analog rows differ only in their names, parameters, band and sideband; the rest is one
// message mapper.
constexpr Scheme analogScheme(ModulationType type, std::string_view name, std::string_view caption,
                              std::span<const WaveformParameter> parameters, double (*band)(const SignalParameters&),
                              bool takesSideband) {
    return {.type = type,
            .name = name,
            .caption = caption,
            .fixedAlphabet = kAnalogAlphabet,
            .resampled = false,
            .mapWhole = mapAnalog,
            .makeBlockMapper = [](const SignalParameters& p) { return statefulMapper<AnalogMapper>(analogSettings(p)); },
            .gray = grayUnchanged,
            .refusal = analogRefusal,
            .parameters = parameters,
            .samplesPerFile = analogSamplesPerFile,
            .occupiedBandwidthHz = band,
            .counterDraws = true,
            .nominalPower = unitPower,
            .takesMessage = true,
            .takesSideband = takesSideband};
}

// The ring table and radii are worked out once per file, not once per piece.
std::unique_ptr<BlockMapper> apskBlockMapper(const SignalParameters& p) {
    return memorylessMapper([sizes = defaultApskRings(p.apskOrder).ringSizes, radii = apskRadiiForRun(p)](
                                const SymbolSequence& symbols) { return modulateApsk(symbols, sizes, radii); });
}

// The subcarrier scheme a run's OFDM carries, from its held number; nothing when that names no
// linear scheme and offered order.
struct Subcarriers {
    const Scheme* scheme;
    std::int32_t order;
};
std::optional<Subcarriers> subcarriersOf(double value);

SignalParameters schemeAtOrder(const Subcarriers& sub) {
    SignalParameters p;
    p.modulationType = sub.scheme->type;
    setChosenOrder(p, sub.order);
    return p;
}

std::vector<ComplexSample> subcarrierPoints(const SignalParameters& p) {
    const auto sub = subcarriersOf(waveformValue(p, kOfdmParameters[0]));
    if (!sub) {
        return {};
    }
    SymbolSequence every(static_cast<std::size_t>(sub->order));
    std::iota(every.begin(), every.end(), 0);
    const SampleBuffer points = mapSymbols(every, schemeAtOrder(*sub));
    return {points.begin(), points.end()};
}

OfdmFrame ofdmFrame(const SignalParameters& p) {
    const auto n = static_cast<std::size_t>(waveformValue(p, kOfdmParameters[1]));
    const double active = waveformValue(p, kOfdmParameters[3]);
    return {.fftSize = n,
            .prefixLength = cyclicPrefixLength(n, waveformValue(p, kOfdmParameters[2])),
            .activeCount = active == 0.0 ? defaultActiveCount(n) : static_cast<std::size_t>(active)};
}

std::optional<std::string> ofdmRefusal(const SignalParameters& p) {
    const double n = waveformValue(p, kOfdmParameters[1]);
    if (std::find(kOfdmFftSizes.begin(), kOfdmFftSizes.end(), n) == kOfdmFftSizes.end()) {
        std::string sizes;
        for (std::size_t k = 0; k < kOfdmFftSizes.size(); ++k) {
            sizes += (k == 0 ? "" : k + 1 == kOfdmFftSizes.size() ? " or " : ", ") + std::to_string(kOfdmFftSizes[k]);
        }
        return "OFDM's FFT size must be one of " + sizes + " (it is " + numberText(n) + ").";
    }
    const double active = waveformValue(p, kOfdmParameters[3]);
    if (!(active >= 0.0) || active != std::floor(active) || active >= n) {
        return "OFDM of " + numberText(n) + " bins has room for 1 to " + numberText(n - 1) +
               " active subcarriers beside the empty DC bin (--active is " + numberText(active) + ").";
    }
    if (!subcarriersOf(waveformValue(p, kOfdmParameters[0]))) {
        return std::string("OFDM's subcarriers name no linear scheme and offered order.");
    }
    if (p.transmitter.exactTiming) {
        return std::string("OFDM places its samples on the FFT's grid: leave exact timing off.");
    }
    return std::nullopt;
}

std::int32_t ofdmAlphabet(const SignalParameters& p) {
    const auto sub = subcarriersOf(waveformValue(p, kOfdmParameters[0]));
    return sub ? sub->order : 0;
}

GrayChoice ofdmGray(const SignalParameters& p) {
    const auto sub = subcarriersOf(waveformValue(p, kOfdmParameters[0]));
    if (!sub) {
        return {std::nullopt, "OFDM: its subcarriers name no scheme"};
    }
    return grayChoice(schemeAtOrder(*sub));
}

SampleBuffer mapOfdm(const SymbolSequence& s, const SignalParameters& p) {
    return modulateOfdm(s, ofdmFrame(p), subcarrierPoints(p));
}

double ofdmSamplesPerFile(const SignalParameters& p) {
    return ofdmSampleCount(ofdmFrame(p), static_cast<double>(chainSymbolCount(p)));
}

// The active bins and the empty DC bin between them, each fs / N wide.
double ofdmBandwidthHz(const SignalParameters& p) {
    const OfdmFrame frame = ofdmFrame(p);
    return static_cast<double>(frame.activeCount + 1) * p.samplingRate / static_cast<double>(frame.fftSize);
}

// K subcarrier symbols every N + L samples.
double ofdmSymbolRateHz(const SignalParameters& p) {
    const OfdmFrame frame = ofdmFrame(p);
    return p.samplingRate * static_cast<double>(frame.activeCount) /
           static_cast<double>(frame.fftSize + frame.prefixLength);
}

// constinit: other files' tables read the rows while they are initialised themselves.
constinit const std::array<Scheme, 22> kSchemes{{
    {.type = ModulationType::Psk,
     .name = "psk",
     .linear = true,
     .caption = "1: PSK (Phase-Shift Keying)",
     .family = "PSK",
     .orders = kPskOrders,
     .defaultOrder = 1,
     .orderField = &SignalParameters::pskOrder,
     .invalidOrderMessage = "Invalid PSK Order.",
     .mapWhole = mapPsk,
     .makeBlockMapper = memorylessOf<mapPsk>,
     .gray = grayAlongLine,
     .occupiedBandwidthHz = linearBand},
    {.type = ModulationType::Oqpsk,
     .name = "oqpsk",
     .caption = "2: OQPSK (Offset QPSK)",
     .fixedAlphabet = 4,
     .mapWhole = mapOqpsk,
     .makeBlockMapper = [](const SignalParameters&) { return statefulMapper<OqpskMapper>(); },
     .shapedPoints = oqpskRails,
     .gray = grayUnchanged,
     .occupiedBandwidthHz = linearBand},
    {.type = ModulationType::Pi4Dqpsk,
     .name = "pi4dqpsk",
     .caption = "3: Pi/4-DQPSK",
     .fixedAlphabet = 4,
     .mapWhole = mapPi4Dqpsk,
     .makeBlockMapper = [](const SignalParameters&) { return statefulMapper<Pi4DqpskMapper>(Pi * 0.25); },
     .gray = grayAlongLine,
     .occupiedBandwidthHz = linearBand},
    {.type = ModulationType::Fsk,
     .name = "fsk",
     .caption = "4: FSK (Frequency-Shift Keying)",
     .family = "FSK",
     .orders = kFskOrders,
     .orderField = &SignalParameters::fskOrder,
     .resampled = false,
     .invalidOrderMessage = "Invalid FSK Order.",
     .mapWhole = mapFsk,
     .makeBlockMapper = memorylessOf<mapFsk>,
     .exactKeying = Keying::Fsk,
     .gray = grayAlongLine,
     .refusal = fskRefusal,
     .occupiedBandwidthHz = fskBand},
    {.type = ModulationType::Msk,
     .name = "msk",
     .caption = "5: MSK (Minimum-Shift Keying)",
     .fixedAlphabet = 2,
     .resampled = false,
     .mapWhole = mapMsk,
     .makeBlockMapper = [](const SignalParameters& p) { return statefulMapper<MskMapper>(samplesPerSymbol(p)); },
     .exactKeying = Keying::Msk,
     .gray = grayUnchanged,
     .occupiedBandwidthHz = mskBand},
    {.type = ModulationType::Gmsk,
     .name = "gmsk",
     .caption = "6: GMSK (Gaussian MSK)",
     .fixedAlphabet = 2,
     .resampled = false,
     .mapWhole = mapGmsk,
     .makeBlockMapper =
         [](const SignalParameters& p) {
             return statefulMapper<GmskMapper>(static_cast<std::size_t>(chainSymbolCount(p)), samplesPerSymbol(p));
         },
     .exactKeying = Keying::Gmsk,
     .gray = grayUnchanged,
     .occupiedBandwidthHz = gmskBand},
    {.type = ModulationType::Qam,
     .name = "qam",
     .linear = true,
     .caption = "7: QAM (Quadrature Amplitude Mod)",
     .family = "QAM",
     .orders = kQamOrders,
     .orderField = &SignalParameters::qamOrder,
     .invalidOrderMessage = "Invalid QAM Order.",
     .mapWhole = mapQam,
     .makeBlockMapper = memorylessOf<mapQam>,
     .gray = qamGray,
     .refusal = qamRefusal,
     .occupiedBandwidthHz = linearBand},
    {.type = ModulationType::Apsk,
     .name = "apsk",
     .linear = true,
     .caption = "8: APSK (Amplitude & Phase SK)",
     .family = "APSK",
     .orders = kApskOrders,
     .orderField = &SignalParameters::apskOrder,
     .onlyOfferedOrders = true,
     .hasRadii = true,
     .invalidOrderMessage = "Invalid APSK Order.",
     .mapWhole = mapApsk,
     .makeBlockMapper = apskBlockMapper,
     .gray = apskGray,
     .refusal = apskRefusal,
     .occupiedBandwidthHz = linearBand},
    {.type = ModulationType::Ook,
     .name = "ook",
     .linear = true,
     .caption = "9: OOK (On-Off Keying)",
     .family = "OOK",
     .orders = kOokOrders,
     .orderField = &SignalParameters::order,
     .onlyOfferedOrders = true,
     .invalidOrderMessage = "Invalid OOK Order.",
     .mapWhole = mapLinear,
     .makeBlockMapper = linearBlockMapper,
     .gray = grayUnchanged,
     .occupiedBandwidthHz = linearBand},
    {.type = ModulationType::Ask,
     .name = "ask",
     .linear = true,
     .caption = "10: ASK (Amplitude-Shift Keying)",
     .family = "ASK",
     .orders = kAskOrders,
     .orderField = &SignalParameters::order,
     .onlyOfferedOrders = true,
     .invalidOrderMessage = "Invalid ASK Order.",
     .mapWhole = mapLinear,
     .makeBlockMapper = linearBlockMapper,
     .gray = grayAlongLine,
     .occupiedBandwidthHz = linearBand},
    {.type = ModulationType::Pam,
     .name = "pam",
     .linear = true,
     .caption = "11: PAM (Pulse Amplitude Mod)",
     .family = "PAM",
     .orders = kPamOrders,
     .orderField = &SignalParameters::order,
     .onlyOfferedOrders = true,
     .invalidOrderMessage = "Invalid PAM Order.",
     .mapWhole = mapLinear,
     .makeBlockMapper = linearBlockMapper,
     .gray = grayAlongLine,
     .occupiedBandwidthHz = linearBand},
    {.type = ModulationType::Tone,
     .name = "tone",
     .caption = "12: Tone (one frequency)",
     .fixedAlphabet = 1,
     .resampled = false,
     .mapWhole = mapTone,
     .makeBlockMapper =
         [](const SignalParameters& p) {
             return statefulMapper<ToneMapper>(waveformValue(p, kToneParameters[0]), p.samplingRate,
                                               wholeSamplesPerSymbol(samplesPerSymbol(p)));
         },
     .gray = grayUnchanged,
     .refusal = toneRefusal,
     .parameters = kToneParameters,
     .occupiedBandwidthHz = noBand},
    {.type = ModulationType::Cpfsk,
     .name = "cpfsk",
     .caption = "13: CPFSK (Continuous-Phase FSK)",
     .family = "CPFSK",
     .orders = kCpfskOrders,
     .orderField = &SignalParameters::order,
     .onlyOfferedOrders = true,
     .resampled = false,
     .invalidOrderMessage = "Invalid CPFSK Order.",
     .mapWhole = mapCpfsk,
     .makeBlockMapper =
         [](const SignalParameters& p) {
             return statefulMapper<CpfskMapper>(p.order, waveformValue(p, kModIndex),
                                                wholeSamplesPerSymbol(samplesPerSymbol(p)));
         },
     .gray = grayAlongLine,
     .refusal = continuousPhaseRefusal,
     .parameters = kCpfskParameters,
     .occupiedBandwidthHz = cpfskBand},
    {.type = ModulationType::Gfsk,
     .name = "gfsk",
     .caption = "14: GFSK (Gaussian FSK)",
     .family = "GFSK",
     .orders = kGfskOrders,
     .orderField = &SignalParameters::order,
     .onlyOfferedOrders = true,
     .resampled = false,
     .invalidOrderMessage = "Invalid GFSK Order.",
     .mapWhole = mapGfsk,
     .makeBlockMapper = gfskBlockMapper,
     .gray = grayAlongLine,
     .refusal = gfskRefusal,
     .parameters = kGfskParameters,
     .occupiedBandwidthHz = gfskBand,
     .counterDraws = true},
    {.type = ModulationType::Ofdm,
     .name = "ofdm",
     .caption = "15: OFDM (Orthogonal FDM)",
     .family = "OFDM",
     .resampled = false,
     .mapWhole = mapOfdm,
     .makeBlockMapper =
         [](const SignalParameters& p) {
             return statefulMapper<OfdmMapper>(ofdmFrame(p), subcarrierPoints(p), static_cast<std::size_t>(chainSymbolCount(p)));
         },
     .gray = ofdmGray,
     .refusal = ofdmRefusal,
     .parameters = kOfdmParameters,
     .samplesPerFile = ofdmSamplesPerFile,
     .occupiedBandwidthHz = ofdmBandwidthHz,
     .counterDraws = true,
     .alphabet = ofdmAlphabet,
     .symbolRateHz = ofdmSymbolRateHz},
    {.type = ModulationType::Lfm,
     .name = "lfm",
     .caption = "16: LFM (radar chirp pulses)",
     .fixedAlphabet = 1,
     .resampled = false,
     .mapWhole = mapLfm,
     .makeBlockMapper = memorylessOf<mapLfm>,
     .gray = grayUnchanged,
     .refusal = lfmRefusal,
     .parameters = kLfmParameters,
     .samplesPerFile = lfmSamplesPerFile,
     .occupiedBandwidthHz = chirpBand,
     .counterDraws = true},
    {.type = ModulationType::Chirpss,
     .name = "chirpss",
     .caption = "17: Chirp SS (LoRa-like CSS)",
     .resampled = false,
     .mapWhole = mapChirpss,
     .makeBlockMapper = memorylessOf<mapChirpss>,
     .gray = grayAlongLine,
     .refusal = chirpssRefusal,
     .parameters = kChirpssParameters,
     .samplesPerFile = chirpssSamplesPerFile,
     .occupiedBandwidthHz = chirpBand,
     .counterDraws = true,
     .alphabet = chirpssAlphabet},
    analogScheme(ModulationType::AmDsb, "am-dsb", "18: AM-DSB (with carrier)", kAmParameters, doubleSidebandBand, false),
    analogScheme(ModulationType::AmDsbSc, "am-dsb-sc", "19: AM-DSB-SC (suppressed carrier)", kAmScParameters,
                 doubleSidebandBand, false),
    analogScheme(ModulationType::AmSsb, "am-ssb", "20: AM-SSB (with carrier)", kAmParameters, singleSidebandBand, true),
    analogScheme(ModulationType::AmSsbSc, "am-ssb-sc", "21: AM-SSB-SC (suppressed carrier)", kAmScParameters,
                 singleSidebandBand, true),
    analogScheme(ModulationType::Fm, "fm", "22: FM (analog)", kFmParameters, fmBand, false),
}};

std::optional<Subcarriers> subcarriersOf(double value) {
    if (!(value >= 0.0 && value < 1e9) || value != std::floor(value)) {
        return std::nullopt;
    }
    const auto type = static_cast<std::int32_t>(value / kWordTypeStep);
    const auto order = static_cast<std::int32_t>(value - type * kWordTypeStep);
    const Scheme* scheme = findScheme(static_cast<ModulationType>(type));
    if (scheme == nullptr || !scheme->linear || findOrder(*scheme, order) == nullptr) {
        return std::nullopt;
    }
    return Subcarriers{scheme, order};
}

std::optional<double> subcarriersFromWord(std::string_view word) {
    const auto colon = word.find(':');
    if (colon == std::string_view::npos) {
        return std::nullopt;
    }
    const Scheme* scheme = findSchemeNamed(word.substr(0, colon));
    const std::string_view digits = word.substr(colon + 1);
    std::int32_t order = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), order);
    if (scheme == nullptr || error != std::errc() || end != digits.data() + digits.size()) {
        return std::nullopt;
    }
    const double value = static_cast<std::int32_t>(scheme->type) * kWordTypeStep + order;
    return subcarriersOf(value) ? std::optional(value) : std::nullopt;
}

std::string subcarriersToWord(double value) {
    const auto sub = subcarriersOf(value);
    return sub ? std::string(sub->scheme->name) + ":" + std::to_string(sub->order) : numberText(value);
}

}  // namespace

std::span<const int> ofdmFftSizes() {
    return kOfdmFftSizes;
}

std::span<const Scheme> schemeCatalog() {
    return kSchemes;
}

const Scheme* schemeAtListIndex(int index) {
    return index >= 0 && static_cast<std::size_t>(index) < kSchemes.size() ? &kSchemes[static_cast<std::size_t>(index)]
                                                                            : nullptr;
}

std::string typeNumbersText() {
    const auto number = [](std::size_t k) { return static_cast<std::int32_t>(kSchemes[k].type); };
    std::string text;
    for (std::size_t k = 0; k < kSchemes.size();) {
        std::size_t last = k;
        while (last + 1 < kSchemes.size() && number(last + 1) == number(last) + 1) {
            ++last;
        }
        text += (text.empty() ? "" : ", ") + std::to_string(number(k)) +
                (last > k ? " to " + std::to_string(number(last)) : "");
        k = last + 1;
    }
    return text;
}

const Scheme* findScheme(ModulationType type) {
    for (const Scheme& scheme : kSchemes) {
        if (scheme.type == type) {
            return &scheme;
        }
    }
    return nullptr;
}

const Scheme* findSchemeNamed(std::string_view name) {
    for (const Scheme& scheme : kSchemes) {
        if (scheme.name == name) {
            return &scheme;
        }
    }
    return nullptr;
}

const Scheme& radiiScheme() {
    for (const Scheme& scheme : kSchemes) {
        if (scheme.hasRadii) {
            return scheme;
        }
    }
    std::abort();  // the catalog has one
}

std::string_view modulationName(ModulationType type) {
    const Scheme* scheme = findScheme(type);
    return scheme != nullptr ? scheme->name : "unknown";
}

std::optional<std::string> pulseShapingRefusal(ModulationType type) {
    if (mapsOnePointPerSymbol(type)) {
        return std::nullopt;
    }
    return "Pulse shaping applies to PSK, OQPSK, Pi/4-DQPSK, QAM and APSK; " + upperCaseName(type) +
           " makes its own samples.";
}

std::string upperCaseName(ModulationType type) {
    std::string name(modulationName(type));
    for (char& c : name) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return name;
}

std::int32_t chosenOrder(const SignalParameters& p) {
    const Scheme* scheme = findScheme(p.modulationType);
    return scheme != nullptr && scheme->orderField != nullptr ? p.*scheme->orderField : 0;
}

void setChosenOrder(SignalParameters& p, std::int32_t order) {
    // Several families share one field: clear every field first, then set the chosen one's.
    for (const Scheme& scheme : kSchemes) {
        if (scheme.orderField != nullptr) {
            p.*scheme.orderField = 0;
        }
    }
    const Scheme* chosen = findScheme(p.modulationType);
    if (chosen != nullptr && chosen->orderField != nullptr) {
        p.*chosen->orderField = order;
    }
}

double waveformValue(const SignalParameters& p, const WaveformParameter& parameter) {
    const auto value = p.values.find(parameter.name);
    return value != p.values.end() ? value->second : parameter.defaultValue;
}

double waveformValue(const SignalParameters& p, std::string_view name) {
    const Scheme* scheme = findScheme(p.modulationType);
    if (scheme != nullptr) {
        for (const WaveformParameter& parameter : scheme->parameters) {
            if (parameter.name == name) {
                return waveformValue(p, parameter);
            }
        }
    }
    return std::numeric_limits<double>::quiet_NaN();
}

std::vector<const WaveformParameter*> allWaveformParameters() {
    std::vector<const WaveformParameter*> all;
    for (const Scheme& scheme : kSchemes) {
        for (const WaveformParameter& parameter : scheme.parameters) {
            const bool seen = std::any_of(all.begin(), all.end(), [&](const auto* p) { return p->name == parameter.name; });
            if (!seen) {
                all.push_back(&parameter);
            }
        }
    }
    return all;
}

const SchemeOrder* findOrder(const Scheme& scheme, std::int32_t value) {
    for (const SchemeOrder& order : scheme.orders) {
        if (order.value == value) {
            return &order;
        }
    }
    return nullptr;
}

std::string offeredOrdersText(const Scheme& scheme, std::string_view lastSeparator) {
    std::string text;
    for (std::size_t k = 0; k < scheme.orders.size(); ++k) {
        if (k > 0) {
            text += k + 1 == scheme.orders.size() ? lastSeparator : std::string_view(", ");
        }
        text += std::to_string(scheme.orders[k].value);
    }
    return text;
}

bool drawsByCounter(const SignalParameters& p) {
    const Scheme* scheme = findScheme(p.modulationType);
    return p.counterDraws || (scheme != nullptr && scheme->counterDraws);
}

std::int32_t alphabetSize(const SignalParameters& p) {
    const Scheme* scheme = findScheme(p.modulationType);
    if (scheme == nullptr) {
        return 0;
    }
    if (scheme->alphabet != nullptr) {
        return scheme->alphabet(p);
    }
    if (scheme->orderField == nullptr) {
        return scheme->fixedAlphabet;
    }
    const std::int32_t order = p.*scheme->orderField;
    return scheme->onlyOfferedOrders && findOrder(*scheme, order) == nullptr ? 0 : order;
}

double occupiedBandwidthHz(const SignalParameters& parameters) {
    const Scheme* scheme = findScheme(parameters.modulationType);
    if (scheme == nullptr || scheme->occupiedBandwidthHz == nullptr) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    return scheme->occupiedBandwidthHz(parameters);
}

bool mapsOnePointPerSymbol(ModulationType type) {
    const Scheme* scheme = findScheme(type);
    return scheme != nullptr && scheme->resampled;
}

ApskRings defaultApskRings(int order) {
    const Scheme& apsk = radiiScheme();
    const SchemeOrder* table = findOrder(apsk, order);
    if (table == nullptr) {
        table = &apsk.orders.front();
    }
    return {{table->ringSizes.begin(), table->ringSizes.end()}, parseApskRadii(std::string(table->radiiText))};
}

std::vector<double> apskRadiiForRun(const SignalParameters& p) {
    return chooseApskRadii(defaultApskRings(p.apskOrder).ringRadii, parseApskRadii(p.apskRadiiText));
}

SampleBuffer mapSymbols(const SymbolSequence& symbols, const SignalParameters& p) {
    const Scheme* scheme = findScheme(p.modulationType);
    if (scheme == nullptr) {
        return {};
    }
    if (p.transmitter.exactTiming && scheme->exactKeying) {
        return modulateExactKeying(symbols, *scheme->exactKeying, chosenOrder(p), p.symbolRate, p.samplingRate);
    }
    if (shapesPulses(p) && scheme->shapedPoints != nullptr) {
        return scheme->shapedPoints(symbols, p);
    }
    return scheme->mapWhole(symbols, p);
}

std::unique_ptr<BlockMapper> makeBlockMapper(const SignalParameters& p) {
    const Scheme* scheme = findScheme(p.modulationType);
    if (scheme == nullptr) {
        return nullptr;
    }
    if (p.transmitter.exactTiming && scheme->exactKeying) {
        return statefulMapper<ExactKeyingMapper>(*scheme->exactKeying, chosenOrder(p),
                                                 static_cast<std::size_t>(chainSymbolCount(p)), p.symbolRate,
                                                 p.samplingRate);
    }
    if (shapesPulses(p) && scheme->shapedPoints != nullptr) {
        return memorylessMapper([p, map = scheme->shapedPoints](const SymbolSequence& s) { return map(s, p); });
    }
    return scheme->makeBlockMapper(p);
}

GrayChoice grayChoice(const SignalParameters& p) {
    const Scheme* scheme = findScheme(p.modulationType);
    return scheme != nullptr && scheme->gray != nullptr ? scheme->gray(p) : GrayChoice{};
}

std::vector<std::int32_t> grayIndexTable(const SignalParameters& p) {
    if (!p.transmitter.gray) {
        return {};
    }
    const GrayChoice choice = grayChoice(p);
    return choice.map ? grayIndexTable(*choice.map, alphabetSize(p)) : std::vector<std::int32_t>{};
}

bool shapesPulses(const SignalParameters& p) {
    return p.transmitter.pulse != PulseShape::Linear && mapsOnePointPerSymbol(p.modulationType);
}

}  // namespace quorvel
