#pragma once
// The "Impairments" dialog the main window's "Impairments..." button opens: one row per
// impairment, in chain order, each number in a field of its own with its unit beside it; an
// empty row leaves the impairment off. What the fields hold is put into the command line's text
// for each impairment and checked by its rules as it is typed, so a fault shows at once, naming
// the impairment, and the dialog cannot be accepted with it.

#include <QDialog>
#include <vector>

#include "request/ImpairmentSettings.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace quorvel {

class ImpairmentsDialog : public QDialog {
  public:
    // Shows texts in its fields.
    ImpairmentsDialog(const ImpairmentTexts& texts, QWidget* parent);

    // The sampling rate the Doppler frequency and the phase-noise offset are checked against, as
    // the panel's field holds it; until it is given, or when it is not a number, 10000 Hz.
    void setSamplingRateText(const QString& text);

    // What the fields hold now, as the command line's texts.
    ImpairmentTexts texts() const;

    // Number `part` (0 or 1) of a setting's row: Amplifier P, A; Clock offset ppm; Multipath the
    // taps; Fading K; Doppler Hz; Phase noise level, offset; IQ imbalance amplitude, phase; DC
    // offset I, Q.
    QLineEdit& number(ImpairmentSetting setting, int part = 0) const;
    // The fading's model list: off, Rayleigh, Rician.
    QComboBox& fadingModel() const { return *fading_; }
    // The rule the fields break now; empty when they break none.
    QString problem() const;

  private:
    void check();

    std::vector<std::vector<QLineEdit*>> numbers_;  // per setting, in chain order
    QComboBox* fading_ = nullptr;
    QLabel* problem_ = nullptr;
    QPushButton* ok_ = nullptr;
    double samplingRateHz_ = 10000.0;
};

}  // namespace quorvel
