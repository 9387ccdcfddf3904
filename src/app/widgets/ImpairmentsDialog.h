#pragma once
// The "Impairments" dialog the main window's "Impairments..." button opens: one field per
// impairment, in chain order, each taking the command line's text for it; an empty field leaves
// the impairment off. The texts are checked with the panel's fields when a run starts.

#include <QDialog>
#include <vector>

#include "request/ImpairmentSettings.h"

class QLineEdit;

namespace quorvel {

class ImpairmentsDialog : public QDialog {
  public:
    // Shows texts in its fields.
    ImpairmentsDialog(const ImpairmentTexts& texts, QWidget* parent);

    // What the fields hold now.
    ImpairmentTexts texts() const;

    QLineEdit& field(ImpairmentSetting setting) const;

  private:
    std::vector<QLineEdit*> fields_;  // in the order of impairmentSettingNames()
};

}  // namespace quorvel
