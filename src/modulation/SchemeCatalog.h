#pragma once
// Every fact about a modulation scheme, one row per scheme: its names, the orders it offers, its
// alphabet, its mapper, whether it is resampled and what it asks of the other settings. The run
// check, both front ends and the metadata read their scheme facts from here alone.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/Signal.h"
#include "common/SignalParameters.h"
#include "modulation/BlockMapper.h"
#include "modulation/ExactKeying.h"
#include "modulation/GrayCode.h"
#include "modulation/WaveformParameter.h"

namespace quorvel {

// A scheme's Gray map for the run's order, or why it has none.
struct GrayChoice {
    std::optional<GrayMap> map;
    std::string_view whyNone{};  // completes "Gray coding is not offered for "
};

// One order a scheme offers.
struct SchemeOrder {
    std::int32_t value = 0;
    std::string_view caption;            // the control panel's list item, such as "4 (QPSK)"
    std::span<const int> ringSizes{};    // APSK: points per ring, innermost first
    std::string_view radiiText{};        // APSK: the default ring radii, as the radii field shows them
    // On the panel's order list; the orders added later are chosen in the waveform dialog.
    bool onPanel = true;
};

struct Scheme {
    ModulationType type{};
    std::string_view name{};    // quorvel-cli's and the metadata's word, such as "psk"
    // One point per symbol from a table, with no memory between symbols: a scheme OFDM's
    // subcarriers may carry.
    bool linear = false;
    std::string_view caption{}; // the control panel's modulation list item
    std::string_view family{};  // the word its order list goes by, such as "PSK"; empty without orders
    std::span<const SchemeOrder> orders{};  // empty: no order to choose
    std::size_t defaultOrder = 0;           // index into orders: what a run takes when none is chosen
    // Where SignalParameters holds this scheme's order; null for the schemes without one.
    std::int32_t SignalParameters::*orderField = nullptr;
    std::int32_t fixedAlphabet = 0;   // the alphabet of a scheme without orders
    bool onlyOfferedOrders = false;   // an order it does not offer has no table, so no alphabet
    bool resampled = true;            // one point per symbol, brought to the sampling rate afterwards
    bool hasRadii = false;            // takes ring radii from the radii text
    std::string_view invalidOrderMessage{};  // the panel's message when its order list has no selection
    SampleBuffer (*mapWhole)(const SymbolSequence&, const SignalParameters&) = nullptr;
    std::unique_ptr<BlockMapper> (*makeBlockMapper)(const SignalParameters&) = nullptr;
    // The points a transmit pulse shapes, when they differ from the mapper's: OQPSK's rails then
    // carry one bit of every symbol each, and the pulse does the offset. Null: the mapper's.
    SampleBuffer (*shapedPoints)(const SymbolSequence&, const SignalParameters&) = nullptr;
    // The keyed schemes' keying on the exact symbol grid; nothing for the resampled schemes.
    std::optional<Keying> exactKeying{};
    GrayChoice (*gray)(const SignalParameters&) = nullptr;
    // The scheme's own demands on the other settings, in one line; null when it has none.
    std::optional<std::string> (*refusal)(const SignalParameters&) = nullptr;
    // Its own parameters, kept in SignalParameters::values by name.
    std::span<const WaveformParameter> parameters{};
    // Samples per file for the run's settings when the family's length rule is its own (a frame
    // or a chirp of a fixed length); null: one point per symbol resampled, or whole samples per
    // symbol for the keyed schemes.
    double (*samplesPerFile)(const SignalParameters&) = nullptr;
    // The band the signal occupies [Hz], centred on 0 Hz, for the run's settings: what a scene
    // places and labels. Null: not stated.
    double (*occupiedBandwidthHz)(const SignalParameters&) = nullptr;
    // The family draws its symbols and noise from counter-based blocks (Philox), so any block of
    // any file can be made alone; the families files were made of before keep their generators.
    bool counterDraws = false;
    // The alphabet when the family's parameters set it (chirp spread spectrum's 2^SF, OFDM's
    // subcarrier order); null: the order field's, or fixedAlphabet. 0 when the parameters give none.
    std::int32_t (*alphabet)(const SignalParameters&) = nullptr;
    // The nominal mean power the family states for the run; null: worked out from its points or
    // samples (NominalPower).
    double (*nominalPower)(const SignalParameters&) = nullptr;
    bool takesMessage = false;   // modulates a message (SignalParameters::analogMessage)
    bool takesSideband = false;  // keeps one sideband (SignalParameters::lowerSideband)
    // The symbol rate when the family's frame sets it rather than the symbol-rate setting [Hz].
    double (*symbolRateHz)(const SignalParameters&) = nullptr;

    bool hasOrders() const { return !orders.empty(); }
    // The first eight schemes keep an order field each; every later family shares
    // SignalParameters::order, which files of the first eight do not record.
    bool ownsOrderField() const { return orderField != nullptr && orderField != &SignalParameters::order; }
};

// The FFT sizes OFDM offers, ascending.
std::span<const int> ofdmFftSizes();

// Every scheme, in the order of their type numbers (the modulation list's order).
std::span<const Scheme> schemeCatalog();

// The row at this place of the modulation list (0-based); nothing past its end. The type numbers
// may have gaps while a family is on its way, so a place is not a type number minus one.
const Scheme* schemeAtListIndex(int index);

// The catalog's type numbers, runs of consecutive ones joined: "1 to 17".
std::string typeNumbersText();

// The row of a type; nothing for a value outside the catalog (a caller may cast any integer).
const Scheme* findScheme(ModulationType type);
// The row whose name is `name`; nothing when no scheme has that name.
const Scheme* findSchemeNamed(std::string_view name);

// The scheme whose orders come with ring radii (APSK).
const Scheme& radiiScheme();

// The name of a type; "unknown" outside the catalog.
std::string_view modulationName(ModulationType type);

// The name in capitals, as messages write it ("MSK").
std::string upperCaseName(ModulationType type);
// The order the run takes: the chosen scheme's order field; 0 for a scheme without orders.
std::int32_t chosenOrder(const SignalParameters& parameters);
// Sets the chosen scheme's order field (nothing for a scheme without orders) and clears the others.
void setChosenOrder(SignalParameters& parameters, std::int32_t order);

// The value of one of the chosen family's parameters: the run's, or its default.
double waveformValue(const SignalParameters& parameters, const WaveformParameter& parameter);
// The value of the chosen family's parameter with this name; NaN when it has none.
double waveformValue(const SignalParameters& parameters, std::string_view name);

// Every family's parameters, each name once, in catalog order.
std::vector<const WaveformParameter*> allWaveformParameters();

// The offered order with this value; nothing when the scheme does not offer it.
const SchemeOrder* findOrder(const Scheme& scheme, std::int32_t value);

// The offered orders' values joined by ", " with `lastSeparator` before the last ("2, 4, 8 or 16").
std::string offeredOrdersText(const Scheme& scheme, std::string_view lastSeparator = ", ");

// Number of distinct symbol indices of the chosen scheme and order; 0 when the type is unknown
// or its order has no table.
std::int32_t alphabetSize(const SignalParameters& parameters);

// Whether the run's random symbols and noise come from counter-based blocks: its family's row
// draws so, or the run asks for it.
bool drawsByCounter(const SignalParameters& parameters);

// The chosen family's occupied band [Hz]; NaN for an unknown type or a family that does not state it.
double occupiedBandwidthHz(const SignalParameters& parameters);

// True for the schemes whose mapper gives one point per symbol, which are then resampled; the
// frequency-keyed schemes produce samples at the sampling rate themselves.
bool mapsOnePointPerSymbol(ModulationType type);

// Why a transmit pulse cannot shape the scheme's signal, in one sentence; nothing for the schemes
// it shapes.
std::optional<std::string> pulseShapingRefusal(ModulationType type);

// Points per ring and ring radii, innermost ring first; the two lists have equal length.
struct ApskRings {
    std::vector<int> ringSizes;
    std::vector<double> ringRadii;
};

// The ring table of APSK order 16, 32 or 64; any other order gets the table of 16.
ApskRings defaultApskRings(int order);

// The APSK ring radii a run uses: the order's defaults unless the radii text holds two or more numbers.
std::vector<double> apskRadiiForRun(const SignalParameters& parameters);

// The mapper output of the scheme: one point per symbol, or samples at the sampling rate for
// FSK, MSK and GMSK. Empty when the type is unknown or its mapper refuses the order or ring table.
SampleBuffer mapSymbols(const SymbolSequence& symbols, const SignalParameters& parameters);

// The mapper of the scheme for a file's symbols fed piece by piece; null for an unknown type.
std::unique_ptr<BlockMapper> makeBlockMapper(const SignalParameters& parameters);

// The scheme's Gray map for the run; a GrayChoice without map for an unknown type.
GrayChoice grayChoice(const SignalParameters& parameters);
// What Gray coding turns each index into before the mapper; empty when it is off or changes nothing.
std::vector<std::int32_t> grayIndexTable(const SignalParameters& parameters);
// True when the run shapes its points with a transmit pulse.
bool shapesPulses(const SignalParameters& parameters);

}  // namespace quorvel
