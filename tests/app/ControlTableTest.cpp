#include "app/ControlTable.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/ControlPanelReader.h"
#include "app/OrderControls.h"

namespace quorvel {
namespace {

struct ExpectedRow {
    std::string_view label;
    FieldKind kind;
    int id;
    Rect field;
    std::string_view text;
    int initialIndex;
    bool enabled;
};

// The main window at start-up, row by row in creation order.
const ExpectedRow kExpectedRows[] = {
    {"Symbol Rate (Hz):", FieldKind::Edit, 101, {210, 20, 120, 24}, "1000", -1, true},
    {"Sampling Rate (Hz):", FieldKind::Edit, 102, {210, 50, 120, 24}, "10000", -1, true},
    {"Modulation Type:", FieldKind::List, 103, {210, 80, 250, 232}, "", 0, true},
    {"PSK Order (M):", FieldKind::List, 104, {210, 110, 120, 96}, "", 1, true},
    {"FSK Order (M):", FieldKind::List, 105, {210, 140, 120, 72}, "", 0, false},
    {"QAM Order (M):", FieldKind::List, 106, {210, 170, 120, 144}, "", 0, false},
    {"APSK Order (M):", FieldKind::List, 107, {210, 200, 120, 72}, "", 0, false},
    {"APSK Radii:", FieldKind::Edit, 108, {210, 230, 120, 24}, "0.3 0.7 1.2", -1, false},
    {"Number of Symbols:", FieldKind::Edit, 109, {210, 260, 120, 24}, "10000", -1, true},
    {"Input Data Source:", FieldKind::List, 118, {210, 290, 170, 72}, "", 0, true},
    {"SNR (dB):", FieldKind::Edit, 110, {210, 320, 120, 24}, "30", -1, true},
    {"Mixing Freq (Hz):", FieldKind::Edit, 111, {210, 350, 120, 24}, "0", -1, true},
    {"Timing Error (-1 to 1):", FieldKind::Edit, 112, {210, 380, 120, 24}, "0", -1, true},
    {"Freq Offset (Hz):", FieldKind::Edit, 113, {210, 410, 120, 24}, "0", -1, true},
    {"File Count:", FieldKind::Edit, 114, {210, 440, 120, 24}, "1", -1, true},
    {"Save Path (e.g., .):", FieldKind::Edit, 115, {210, 470, 120, 24}, ".", -1, true},
    {"", FieldKind::CheckBox, 117, {20, 500, 250, 24}, "Display Sampled Data", -1, true},
    {"Output Format:", FieldKind::List, 119, {210, 530, 120, 72}, "", 0, true},
    {"", FieldKind::Button, 116, {20, 570, 200, 40}, "Generate Signal & Plot", -1, true},
};

TEST(ControlTable, RowsMatchTheMainWindowInCreationOrder) {
    const auto rows = controlTable();
    ASSERT_EQ(rows.size(), std::size(kExpectedRows));
    for (std::size_t n = 0; n < rows.size(); ++n) {
        const ControlRow& row = rows[n];
        const ExpectedRow& expected = kExpectedRows[n];
        SCOPED_TRACE(expected.id);
        EXPECT_EQ(row.label, expected.label);
        EXPECT_EQ(row.hasLabel(), !expected.label.empty());
        EXPECT_EQ(row.kind, expected.kind);
        EXPECT_EQ(static_cast<int>(row.id), expected.id);
        EXPECT_EQ(row.field, expected.field);
        EXPECT_EQ(row.text, expected.text);
        EXPECT_EQ(row.initialIndex, expected.initialIndex);
        EXPECT_EQ(row.enabledAtStart, expected.enabled);
        EXPECT_EQ(row.items.empty(), row.kind != FieldKind::List);
        EXPECT_EQ(labelRect(row), (Rect{20, expected.field.y, 180, 24}));
        EXPECT_EQ(&controlRow(row.id), &row);
    }
}

using Items = std::vector<std::pair<std::string_view, std::int32_t>>;

struct ListCase {
    ControlId list;
    Items items;
};

const ListCase kListCases[] = {
    {ControlId::ModulationType,
     {{"1: PSK (Phase-Shift Keying)", 1},
      {"2: OQPSK (Offset QPSK)", 2},
      {"3: Pi/4-DQPSK", 3},
      {"4: FSK (Frequency-Shift Keying)", 4},
      {"5: MSK (Minimum-Shift Keying)", 5},
      {"6: GMSK (Gaussian MSK)", 6},
      {"7: QAM (Quadrature Amplitude Mod)", 7},
      {"8: APSK (Amplitude & Phase SK)", 8},
      // The later families follow the first eight, which keep their places.
      {"9: OOK (On-Off Keying)", 9},
      {"10: ASK (Amplitude-Shift Keying)", 10},
      {"11: PAM (Pulse Amplitude Mod)", 11},
      {"12: Tone (one frequency)", 12},
      {"13: CPFSK (Continuous-Phase FSK)", 13}}},
    {ControlId::PskOrder,
     {{"2 (BPSK)", 2}, {"4 (QPSK)", 4}, {"8 (8-PSK)", 8}, {"16 (16-PSK)", 16}}},
    {ControlId::FskOrder, {{"2 (2-FSK)", 2}, {"4 (4-FSK)", 4}, {"8 (8-FSK)", 8}}},
    {ControlId::QamOrder,
     {{"16 (16-QAM)", 16},
      {"32 (32-QAM)", 32},
      {"64 (64-QAM)", 64},
      {"256 (256-QAM)", 256},
      {"1024 (1024-QAM)", 1024},
      {"2048 (2048-QAM)", 2048}}},
    {ControlId::ApskOrder, {{"16 (16-APSK)", 16}, {"32 (32-APSK)", 32}, {"64 (64-APSK)", 64}}},
    {ControlId::DataSource, {{"Current Random", 0}, {"PRN 15 LFSR", 1}, {"PRN 7 LFSR", 2}}},
    {ControlId::OutputFormat, {{"CSV", 0}, {"cf32 (SigMF)", 1}, {"CSV + cf32", 2}}},
};

TEST(ControlTable, ListsHoldTheirItemsAndValues) {
    for (const auto& c : kListCases) {
        SCOPED_TRACE(static_cast<int>(c.list));
        const auto items = listItems(c.list);
        ASSERT_EQ(items.size(), c.items.size());
        for (std::size_t n = 0; n < items.size(); ++n) {
            EXPECT_EQ(items[n].text, c.items[n].first);
            EXPECT_EQ(items[n].value, c.items[n].second);
            EXPECT_EQ(listValue(c.list, static_cast<int>(n)), c.items[n].second);
        }
        EXPECT_EQ(listValue(c.list, -1), std::nullopt);
        EXPECT_EQ(listValue(c.list, static_cast<int>(items.size())), std::nullopt);
    }
}

TEST(ControlTable, ControlsThatAreNotListsHaveNoItems) {
    EXPECT_TRUE(listItems(ControlId::SymbolRate).empty());
    EXPECT_TRUE(listItems(static_cast<ControlId>(999)).empty());
    EXPECT_EQ(listValue(ControlId::GenerateButton, 0), std::nullopt);
}

// The enable rule at the initial modulation selection must give the table's initial states,
// since the window applies it right after creating the controls.
TEST(ControlTable, InitialEnableStatesAgreeWithTheEnableRule) {
    const auto& modulation = controlRow(ControlId::ModulationType);
    const auto state = updateOrderControls(modulation.items[0].value,
                                           controlRow(ControlId::ApskOrder).initialIndex);
    EXPECT_EQ(state.pskListEnabled, controlRow(ControlId::PskOrder).enabledAtStart);
    EXPECT_EQ(state.fskListEnabled, controlRow(ControlId::FskOrder).enabledAtStart);
    EXPECT_EQ(state.qamListEnabled, controlRow(ControlId::QamOrder).enabledAtStart);
    EXPECT_EQ(state.apskListEnabled, controlRow(ControlId::ApskOrder).enabledAtStart);
    EXPECT_EQ(state.radiiFieldEnabled, controlRow(ControlId::ApskRadii).enabledAtStart);
    EXPECT_EQ(state.newRadiiText, std::nullopt);
}

std::u16string widenAscii(std::string_view text) {
    return std::u16string(text.begin(), text.end());
}

// The reader's default input is the window at start-up.
TEST(ControlTable, ReaderDefaultsAreTheInitialContents) {
    const ControlPanelInput input;
    const std::pair<ControlId, const std::u16string*> edits[] = {
        {ControlId::SymbolRate, &input.symbolRate},
        {ControlId::SamplingRate, &input.samplingRate},
        {ControlId::ApskRadii, &input.apskRadii},
        {ControlId::SymbolCount, &input.symbolCount},
        {ControlId::SnrDb, &input.snrDb},
        {ControlId::MixingFrequency, &input.mixingFrequency},
        {ControlId::TimingError, &input.timingError},
        {ControlId::FrequencyOffset, &input.frequencyOffset},
        {ControlId::FileCount, &input.fileCount},
        {ControlId::SavePath, &input.savePath},
    };
    for (const auto& [id, text] : edits) {
        EXPECT_EQ(*text, widenAscii(controlRow(id).text)) << static_cast<int>(id);
    }
    const std::pair<ControlId, int> lists[] = {
        {ControlId::ModulationType, input.modulationIndex},
        {ControlId::PskOrder, input.pskIndex},
        {ControlId::FskOrder, input.fskIndex},
        {ControlId::QamOrder, input.qamIndex},
        {ControlId::ApskOrder, input.apskIndex},
        {ControlId::DataSource, input.dataSourceIndex},
    };
    for (const auto& [id, index] : lists) {
        EXPECT_EQ(index, controlRow(id).initialIndex) << static_cast<int>(id);
    }
}

}  // namespace
}  // namespace quorvel
