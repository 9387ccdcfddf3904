#include "app/ControlTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/ControlPanelReader.h"
#include "app/OrderControls.h"

namespace quorvel {
namespace {

// What any correct table satisfies: every control once, laid out top to bottom in creation order
// inside the window, labels left of their fields, captions and lists filled in, the button last.
TEST(ControlTable, RowsAreLaidOutTopToBottomInsideTheWindowEachControlOnce) {
    const auto rows = controlTable();
    ASSERT_FALSE(rows.empty());
    std::set<int> ids;
    int previousY = -kLabelHeight;
    for (const ControlRow& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.id));
        EXPECT_TRUE(ids.insert(static_cast<int>(row.id)).second) << "a second row of this control";
        EXPECT_EQ(&controlRow(row.id), &row);
        // A closed list is as tall as a label; an open one may cover the rows below it.
        const int closedHeight = row.kind == FieldKind::List ? kLabelHeight : row.field.height;
        EXPECT_GE(row.field.y, previousY + kLabelHeight) << "overlaps the row above";
        previousY = row.field.y + closedHeight - kLabelHeight;
        EXPECT_GE(row.field.x, 0);
        EXPECT_GT(row.field.width, 0);
        EXPECT_GE(closedHeight, kLabelHeight);
        EXPECT_LE(row.field.x + row.field.width, kMainWindow.width);
        EXPECT_LE(row.field.y + row.field.height, kMainWindow.height);
        if (row.hasLabel()) {
            EXPECT_TRUE(row.label.ends_with(':')) << row.label;
            EXPECT_EQ(row.field.x, kFieldX);
            const Rect label = labelRect(row);
            EXPECT_EQ(label.y, row.field.y);
            EXPECT_LE(label.x + label.width, row.field.x) << "the label runs into its field";
        } else {
            EXPECT_TRUE(row.kind == FieldKind::CheckBox || row.kind == FieldKind::Button);
            EXPECT_FALSE(row.text.empty()) << "a check box or button without a caption";
        }
        if (row.kind == FieldKind::List) {
            EXPECT_FALSE(row.items.empty());
            EXPECT_TRUE(row.text.empty());
            EXPECT_GE(row.initialIndex, 0);
            EXPECT_LT(row.initialIndex, static_cast<int>(row.items.size()));
        } else {
            EXPECT_TRUE(row.items.empty());
            EXPECT_EQ(row.initialIndex, -1);
        }
    }
    EXPECT_EQ(rows.back().kind, FieldKind::Button) << "the action comes after every setting";
    EXPECT_EQ(std::count_if(rows.begin(), rows.end(), [](const ControlRow& r) { return r.kind == FieldKind::Button; }),
              1);
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
      {"13: CPFSK (Continuous-Phase FSK)", 13},
      {"14: GFSK (Gaussian FSK)", 14},
      {"15: OFDM (Orthogonal FDM)", 15},
      {"16: LFM (radar chirp pulses)", 16},
      {"17: Chirp SS (LoRa-like CSS)", 17},
      {"18: AM-DSB (with carrier)", 18},
      {"19: AM-DSB-SC (suppressed carrier)", 19},
      {"20: AM-SSB (with carrier)", 20},
      {"21: AM-SSB-SC (suppressed carrier)", 21},
      {"22: FM (analog)", 22}}},
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
