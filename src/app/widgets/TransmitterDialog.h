#pragma once
// The "Transmitter" dialog: pulse shaping, exact keying, Gray coding, the bit source and the SNR
// definition. It edits a TransmitterInput and writes it back only when accepted.

#include <QDialog>

#include "app/TransmitterInput.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

namespace quorvel {

class TransmitterDialog : public QDialog {
  public:
    TransmitterDialog(const TransmitterInput& input, QWidget* parent);

    // What the dialog shows now.
    TransmitterInput input() const;

  private:
    void pulseChosen(int index);
    void bitSourceChosen(int index);
    void browse();

    QComboBox* pulse_;
    QLabel* rolloffLabel_;
    QLineEdit* rolloff_;
    QLineEdit* span_;
    QCheckBox* exactTiming_;
    QCheckBox* gray_;
    QComboBox* bitSource_;
    QLineEdit* bitsFile_;
    QWidget* browse_;
    QComboBox* snrDefinition_;
};

}  // namespace quorvel
