#include "common/TransmitterChoices.h"

#include <array>

namespace quorvel {
namespace {

// 0.35 is the customary roll-off of test signals (DVB-S's); 0.3 is GSM's Gaussian BT.
constexpr std::array<PulseChoice, 4> kPulses{{
    {PulseShape::Linear, "linear", "Linear interpolation", 0.35, "roll-off"},
    {PulseShape::RootRaisedCosine, "rrc", "Root raised cosine", 0.35, "roll-off"},
    {PulseShape::RaisedCosine, "rc", "Raised cosine", 0.35, "roll-off"},
    {PulseShape::Gaussian, "gaussian", "Gaussian", 0.3, "BT"},
}};

constexpr BitSourceChoice kIndices{BitSource::Indices, "indices", "Data source above", 0, 0};

// The maximal-length registers of ITU-T O.150's polynomials, from all ones. O.150 inverts its
// 2^15-1, 2^23-1 and 2^31-1 sequences; the first names put those out uninverted, as files have
// been made with them, and the "-inv" names follow O.150 (2^9-1 it does not invert; 2^7-1 is
// not among its sequences).
constexpr std::array<BitSourceChoice, 9> kBitSources{{
    {BitSource::Prbs7, "prbs7", "PRBS 7", 7, 6},
    {BitSource::Prbs9, "prbs9", "PRBS 9", 9, 5},
    {BitSource::Prbs15, "prbs15", "PRBS 15", 15, 14},
    {BitSource::Prbs23, "prbs23", "PRBS 23", 23, 18},
    {BitSource::Prbs31, "prbs31", "PRBS 31", 31, 28},
    {BitSource::File, "file", "Bits from a file", 0, 0},
    {BitSource::Prbs15Inverted, "prbs15-inv", "PRBS 15 inverted (O.150)", 15, 14, true},
    {BitSource::Prbs23Inverted, "prbs23-inv", "PRBS 23 inverted (O.150)", 23, 18, true},
    {BitSource::Prbs31Inverted, "prbs31-inv", "PRBS 31 inverted (O.150)", 31, 28, true},
}};

constexpr std::array<SnrDefinitionChoice, 3> kSnrDefinitions{{
    {SnrDefinition::PerSample, "sample", "Per sample"},
    {SnrDefinition::EsN0, "esn0", "Es/N0"},
    {SnrDefinition::EbN0, "ebn0", "Eb/N0"},
}};

constexpr std::array<SnrReferenceChoice, 2> kSnrReferences{{
    {SnrReference::Measured, "measured"},
    {SnrReference::Nominal, "nominal"},
}};

template <typename Row, typename Value>
const Row& rowOf(std::span<const Row> rows, Value value) {
    for (const Row& row : rows) {
        if (row.value == value) {
            return row;
        }
    }
    return rows.front();
}

template <typename Row>
auto valueNamed(std::span<const Row> rows, std::string_view name) -> std::optional<decltype(rows[0].value)> {
    for (const Row& row : rows) {
        if (row.name == name) {
            return row.value;
        }
    }
    return std::nullopt;
}

}  // namespace

std::span<const PulseChoice> pulseChoices() { return kPulses; }
std::span<const BitSourceChoice> bitSourceChoices() { return kBitSources; }
std::span<const SnrDefinitionChoice> snrDefinitionChoices() { return kSnrDefinitions; }
std::span<const SnrReferenceChoice> snrReferenceChoices() { return kSnrReferences; }

const PulseChoice& pulseChoice(PulseShape pulse) { return rowOf(pulseChoices(), pulse); }
const BitSourceChoice& bitSourceChoice(BitSource source) {
    return source == BitSource::Indices ? kIndices : rowOf(bitSourceChoices(), source);
}
const SnrDefinitionChoice& snrDefinitionChoice(SnrDefinition definition) {
    return rowOf(snrDefinitionChoices(), definition);
}
const SnrReferenceChoice& snrReferenceChoice(SnrReference reference) {
    return rowOf(snrReferenceChoices(), reference);
}

std::optional<PulseShape> pulseNamed(std::string_view name) { return valueNamed(pulseChoices(), name); }
std::optional<BitSource> bitSourceNamed(std::string_view name) {
    const auto source = valueNamed(bitSourceChoices(), name);
    return source == BitSource::File ? std::nullopt : source;
}
std::optional<SnrDefinition> snrDefinitionNamed(std::string_view name) {
    return valueNamed(snrDefinitionChoices(), name);
}

std::optional<SnrReference> snrReferenceNamed(std::string_view name) {
    return valueNamed(snrReferenceChoices(), name);
}

}  // namespace quorvel
