#include "app/ControlTable.h"

#include <cstdlib>
#include <vector>

#include "common/Choices.h"
#include "modulation/SchemeCatalog.h"
#include "request/SettingsRequest.h"

namespace quorvel {
namespace {

ControlRow edit(std::string_view label, ControlId id, int y, Setting setting, bool enabled = true) {
    return {.label = label,
            .kind = FieldKind::Edit,
            .id = id,
            .field = {kFieldX, y, 120, 24},
            .text = defaultText(setting),
            .enabledAtStart = enabled};
}

ControlRow list(std::string_view label, ControlId id, int y, int width, int openHeight,
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
ControlRow unlabelled(FieldKind kind, ControlId id, Rect field, std::string_view caption) {
    return {.kind = kind, .id = id, .field = field, .text = std::string(caption)};
}

struct Lists {
    std::vector<ListItem> modulation;
    std::vector<ListItem> dataSource;
    std::vector<ListItem> outputFormat;
};

std::vector<ListItem> orderItems(ModulationType type) {
    std::vector<ListItem> items;
    for (const SchemeOrder& order : findScheme(type)->orders) {
        if (order.onPanel) {
            items.push_back({std::string(order.caption), order.value});
        }
    }
    return items;
}

template <typename Value>
std::vector<ListItem> choiceItems(std::span<const Choice<Value>> choices) {
    std::vector<ListItem> items;
    for (const auto& choice : choices) {
        items.push_back({std::string(choice.caption), static_cast<std::int32_t>(choice.value)});
    }
    return items;
}

const Lists& lists() {
    static const Lists made = [] {
        Lists l;
        for (const Scheme& scheme : schemeCatalog()) {
            l.modulation.push_back({std::string(scheme.caption), static_cast<std::int32_t>(scheme.type)});
        }
        l.dataSource = choiceItems(dataSourceChoices());
        l.outputFormat = choiceItems(panelOutputFormatChoices());
        return l;
    }();
    return made;
}

// An order list at its row: its items and initial selection are its scheme's.
ControlRow orderList(std::string_view label, ControlId id, int y, int openHeight, ModulationType type,
                     const std::vector<ListItem>& items, bool enabled) {
    ControlRow row = list(label, id, y, 120, openHeight, items,
                          static_cast<int>(findScheme(type)->defaultOrder), enabled);
    row.ordersOf = type;
    return row;
}

std::vector<ControlRow> makeRows() {
    static const std::vector<ListItem> psk = orderItems(ModulationType::Psk);
    static const std::vector<ListItem> fsk = orderItems(ModulationType::Fsk);
    static const std::vector<ListItem> qam = orderItems(ModulationType::Qam);
    static const std::vector<ListItem> apsk = orderItems(ModulationType::Apsk);
    const Lists& l = lists();
    return {
        edit("Symbol Rate (Hz):", ControlId::SymbolRate, 20, Setting::SymbolRate),
        edit("Sampling Rate (Hz):", ControlId::SamplingRate, 50, Setting::SamplingRate),
        // The open list keeps its height; the later families scroll into view below the first eight.
        list("Modulation Type:", ControlId::ModulationType, 80, 250, 192, l.modulation, 0, true),
        orderList("PSK Order (M):", ControlId::PskOrder, 110, 96, ModulationType::Psk, psk, true),
        orderList("FSK Order (M):", ControlId::FskOrder, 140, 72, ModulationType::Fsk, fsk, false),
        orderList("QAM Order (M):", ControlId::QamOrder, 170, 144, ModulationType::Qam, qam, false),
        orderList("APSK Order (M):", ControlId::ApskOrder, 200, 72, ModulationType::Apsk, apsk, false),
        edit("APSK Radii:", ControlId::ApskRadii, 230, Setting::ApskRadii, false),
        edit("Number of Symbols:", ControlId::SymbolCount, 260, Setting::SymbolCount),
        list("Input Data Source:", ControlId::DataSource, 290, 170, 72, l.dataSource, 0, true),
        edit("SNR (dB):", ControlId::SnrDb, 320, Setting::Snr),
        edit("Mixing Freq (Hz):", ControlId::MixingFrequency, 350, Setting::MixingFrequency),
        edit("Timing Error (-1 to 1):", ControlId::TimingError, 380, Setting::TimingError),
        edit("Freq Offset (Hz):", ControlId::FrequencyOffset, 410, Setting::FrequencyOffset),
        edit("File Count:", ControlId::FileCount, 440, Setting::FileCount),
        edit("Save Path (e.g., .):", ControlId::SavePath, 470, Setting::SavePath),
        unlabelled(FieldKind::CheckBox, ControlId::ShowSampledData, {20, 500, 250, 24}, "Display Sampled Data"),
        list("Output Format:", ControlId::OutputFormat, 530, 120, 72, l.outputFormat, 0, true),
        unlabelled(FieldKind::Button, ControlId::GenerateButton, {20, 570, 200, 40}, "Generate Signal & Plot"),
    };
}

const std::vector<ControlRow>& rows() {
    static const std::vector<ControlRow> made = makeRows();
    return made;
}

const ControlRow* findRow(ControlId id) {
    for (const auto& row : rows()) {
        if (row.id == id) {
            return &row;
        }
    }
    return nullptr;
}

}  // namespace

std::span<const ControlRow> controlTable() {
    return rows();
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

const ControlRow* orderListOf(ModulationType scheme) {
    for (const auto& row : rows()) {
        if (row.kind == FieldKind::List && row.ordersOf == scheme && row.ordersOf != ModulationType{}) {
            return &row;
        }
    }
    return nullptr;
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
