#pragma once
// The main window's controls, built from the control table: every label, edit field, list, the
// check box and the button at its fixed place, with its initial content and enable state. Each
// control carries its numeric ID as object name ("control103") and as property "controlId".

#include <map>

#include "app/ControlPanelReader.h"
#include "app/ControlTable.h"
#include "app/OrderControls.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QWidget;

namespace quorvel {

// A closed drop-down list is this high; the table's heights are those with the list open [pixels].
inline constexpr int kClosedListHeight = 24;
// The table's open heights leave room for list rows of this height [pixels].
inline constexpr int kListRowHeight = 16;

// How many rows of a list with itemCount items the open list of this table row shows at once.
int visibleListRows(const ControlRow& row, int itemCount);

class ControlPanel {
  public:
    // Creates the controls as children of window.
    explicit ControlPanel(QWidget& window);

    QLineEdit& edit(ControlId id) const;
    QComboBox& list(ControlId id) const;
    QCheckBox& showSampledData() const { return *checkBox_; }
    QPushButton& generateButton() const { return *button_; }

    // What the panel shows now: the first 255 code units of every edit field, every selection.
    ControlPanelInput input() const;

    // Enables the scheme-specific controls as state says and sets its radii text, if any.
    void applyOrderControls(const OrderControlState& state);

  private:
    void addRow(QWidget& window, const ControlRow& row);

    std::map<ControlId, QLineEdit*> edits_;
    std::map<ControlId, QComboBox*> lists_;
    QCheckBox* checkBox_ = nullptr;
    QPushButton* button_ = nullptr;
};

}  // namespace quorvel
