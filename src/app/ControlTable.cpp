#include "app/ControlTable.h"

#include <array>
#include <cstdlib>

namespace quorvel {
namespace {

constexpr std::array<ListItem, 8> kModulationItems{{
    {"1: PSK (Phase-Shift Keying)", 1},
    {"2: OQPSK (Offset QPSK)", 2},
    {"3: Pi/4-DQPSK", 3},
    {"4: FSK (Frequency-Shift Keying)", 4},
    {"5: MSK (Minimum-Shift Keying)", 5},
    {"6: GMSK (Gaussian MSK)", 6},
    {"7: QAM (Quadrature Amplitude Mod)", 7},
    {"8: APSK (Amplitude & Phase SK)", 8},
}};

constexpr std::array<ListItem, 4> kPskItems{{
    {"2 (BPSK)", 2},
    {"4 (QPSK)", 4},
    {"8 (8-PSK)", 8},
    {"16 (16-PSK)", 16},
}};

constexpr std::array<ListItem, 3> kFskItems{{
    {"2 (2-FSK)", 2},
    {"4 (4-FSK)", 4},
    {"8 (8-FSK)", 8},
}};

constexpr std::array<ListItem, 6> kQamItems{{
    {"16 (16-QAM)", 16},
    {"32 (32-QAM)", 32},
    {"64 (64-QAM)", 64},
    {"256 (256-QAM)", 256},
    {"1024 (1024-QAM)", 1024},
    {"2048 (2048-QAM)", 2048},
}};

constexpr std::array<ListItem, 3> kApskItems{{
    {"16 (16-APSK)", 16},
    {"32 (32-APSK)", 32},
    {"64 (64-APSK)", 64},
}};

constexpr std::array<ListItem, 3> kDataSourceItems{{
    {"Current Random", 0},
    {"PRN 15 LFSR", 1},
    {"PRN 7 LFSR", 2},
}};

// The values are OutputFormat's.
constexpr std::array<ListItem, 3> kOutputFormatItems{{
    {"CSV", 0},
    {"cf32 (SigMF)", 1},
    {"CSV + cf32", 2},
}};

constexpr ControlRow edit(std::string_view label, ControlId id, int y, std::string_view text,
                          bool enabled = true) {
    return {.label = label,
            .kind = FieldKind::Edit,
            .id = id,
            .field = {kFieldX, y, 120, 24},
            .text = text,
            .enabledAtStart = enabled};
}

constexpr ControlRow list(std::string_view label, ControlId id, int y, int width, int openHeight,
                          std::span<const ListItem> items, int selected, bool enabled) {
    return {.label = label,
            .kind = FieldKind::List,
            .id = id,
            .field = {kFieldX, y, width, openHeight},
            .items = items,
            .initialIndex = selected,
            .enabledAtStart = enabled};
}

// The check box and the button have no label and carry their caption themselves.
constexpr ControlRow unlabelled(FieldKind kind, ControlId id, Rect field,
                                std::string_view caption) {
    return {.kind = kind, .id = id, .field = field, .text = caption};
}

constexpr std::array<ControlRow, 19> kRows{{
    edit("Symbol Rate (Hz):", ControlId::SymbolRate, 20, "1000"),
    edit("Sampling Rate (Hz):", ControlId::SamplingRate, 50, "10000"),
    list("Modulation Type:", ControlId::ModulationType, 80, 250, 192, kModulationItems, 0, true),
    list("PSK Order (M):", ControlId::PskOrder, 110, 120, 96, kPskItems, 1, true),
    list("FSK Order (M):", ControlId::FskOrder, 140, 120, 72, kFskItems, 0, false),
    list("QAM Order (M):", ControlId::QamOrder, 170, 120, 144, kQamItems, 0, false),
    list("APSK Order (M):", ControlId::ApskOrder, 200, 120, 72, kApskItems, 0, false),
    edit("APSK Radii:", ControlId::ApskRadii, 230, "0.3 0.7 1.2", false),
    edit("Number of Symbols:", ControlId::SymbolCount, 260, "10000"),
    list("Input Data Source:", ControlId::DataSource, 290, 170, 72, kDataSourceItems, 0, true),
    edit("SNR (dB):", ControlId::SnrDb, 320, "30"),
    edit("Mixing Freq (Hz):", ControlId::MixingFrequency, 350, "0"),
    edit("Timing Error (-1 to 1):", ControlId::TimingError, 380, "0"),
    edit("Freq Offset (Hz):", ControlId::FrequencyOffset, 410, "0"),
    edit("File Count:", ControlId::FileCount, 440, "1"),
    edit("Save Path (e.g., .):", ControlId::SavePath, 470, "."),
    unlabelled(FieldKind::CheckBox, ControlId::ShowSampledData, {20, 500, 250, 24},
               "Display Sampled Data"),
    list("Output Format:", ControlId::OutputFormat, 530, 120, 72, kOutputFormatItems, 0, true),
    unlabelled(FieldKind::Button, ControlId::GenerateButton, {20, 570, 200, 40},
               "Generate Signal & Plot"),
}};

const ControlRow* findRow(ControlId id) {
    for (const auto& row : kRows) {
        if (row.id == id) {
            return &row;
        }
    }
    return nullptr;
}

}  // namespace

std::span<const ControlRow> controlTable() {
    return kRows;
}

const ControlRow& controlRow(ControlId id) {
    const ControlRow* row = findRow(id);
    if (row == nullptr) {
        // Every enumerator has a row; a value cast from an arbitrary integer is a programming
        // error.
        std::abort();
    }
    return *row;
}

Rect labelRect(const ControlRow& row) {
    return {kLabelX, row.field.y, kLabelWidth, kLabelHeight};
}

std::span<const ListItem> listItems(ControlId list) {
    const ControlRow* row = findRow(list);
    return row == nullptr ? std::span<const ListItem>{} : row->items;
}

std::optional<std::int32_t> listValue(ControlId list, int index) {
    const auto items = listItems(list);
    if (index < 0 || static_cast<std::size_t>(index) >= items.size()) {
        return std::nullopt;
    }
    return items[static_cast<std::size_t>(index)].value;
}

}  // namespace quorvel
