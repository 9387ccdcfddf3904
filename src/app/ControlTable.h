#pragma once
// The main window's controls as plain data: every row, its geometry, its initial state and the
// items of every list, plus the window captions. The lists' items and the fields' initial texts
// come from the scheme catalog, the choices and the request defaults; the desktop shell builds
// its window from this data alone.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "common/SignalParameters.h"
#include "request/Messages.h"

namespace quorvel {

// The numeric ID of each control of the main window.
enum class ControlId : std::int32_t {
    SymbolRate = 101,
    SamplingRate = 102,
    ModulationType = 103,
    PskOrder = 104,
    FskOrder = 105,
    QamOrder = 106,
    ApskOrder = 107,
    ApskRadii = 108,
    SymbolCount = 109,
    SnrDb = 110,
    MixingFrequency = 111,
    TimingError = 112,
    FrequencyOffset = 113,
    FileCount = 114,
    SavePath = 115,
    GenerateButton = 116,
    ShowSampledData = 117,
    DataSource = 118,
    OutputFormat = 119,
};

enum class FieldKind {
    Edit,      // single-line text field, scrolls horizontally
    List,      // drop-down list the user picks from and cannot type into
    CheckBox,  // toggles on each click
    Button,    // plain push button
};

// A rectangle in the main window's client coordinates [pixels].
struct Rect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    friend bool operator==(const Rect&, const Rect&) = default;
};

// One entry of a drop-down list: its text and the value the generate command takes from it.
struct ListItem {
    std::string text;
    std::int32_t value = 0;
};

// One row of the main window: an optional label to the left and the field itself.
struct ControlRow {
    std::string_view label{};  // empty for the check box and the button, which have no label
    FieldKind kind = FieldKind::Edit;
    ControlId id = ControlId::SymbolRate;
    Rect field{};                       // for a list, the height with its list open
    std::string text{};                 // edit: initial text; check box and button: caption
    std::span<const ListItem> items{};  // list only, in display order
    int initialIndex = -1;              // list: initially selected item; otherwise -1
    bool enabledAtStart = true;
    // An order list: the scheme whose orders it offers; 0 for every other control.
    ModulationType ordersOf{};

    bool hasLabel() const { return !label.empty(); }
};

// Labels sit at x 20 on their row's y, 180 x 24; fields with a label start at x 210.
inline constexpr int kLabelX = 20;
inline constexpr int kLabelWidth = 180;
inline constexpr int kLabelHeight = 24;
inline constexpr int kFieldX = 210;

// The opened modulation list is wider than the closed control [pixels].
inline constexpr int kModulationDroppedWidth = 300;

// A top-level window's title and outer size [pixels]; the system picks the position.
struct WindowSpec {
    std::string_view title;
    int width = 0;
    int height = 0;
};

inline constexpr WindowSpec kMainWindow{"Quorvel", 600, 800};
inline constexpr WindowSpec kViewerWindow{"Signal Viewer", 900, 600};


// Every control row of the main window, in creation order (label first, then its field).
std::span<const ControlRow> controlTable();

// The row of the control with this ID; every ControlId enumerator has exactly one row (any other
// value cast to ControlId aborts).
const ControlRow& controlRow(ControlId id);

// Where the label of a row goes; meaningful only when row.hasLabel().
Rect labelRect(const ControlRow& row);

// The order list of a scheme; nothing for a scheme without orders.
const ControlRow* orderListOf(ModulationType scheme);

// The items of a drop-down list in display order; empty for any other control or unknown ID.
std::span<const ListItem> listItems(ControlId list);

// The value of item `index` of a list, or nothing when the index is outside the list.
std::optional<std::int32_t> listValue(ControlId list, int index);

}  // namespace quorvel
