#pragma once
// The "Waveform" dialog: the order and the own parameters of the families after the first eight,
// which have no controls on the panel. It edits a WaveformInput and writes it back only when
// accepted.

#include <QDialog>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "common/SignalParameters.h"

class QComboBox;
class QLineEdit;

namespace quorvel {

struct Scheme;

// What the dialog keeps between runs: each family's chosen order, and each parameter's text.
struct WaveformInput {
    std::map<ModulationType, std::int32_t> orders;
    std::map<std::string, std::u16string, std::less<>> values;
    std::u16string message;  // the analog families' message text
    bool lowerSideband = false;
};

class WaveformDialog : public QDialog {
  public:
    WaveformDialog(const Scheme& scheme, const WaveformInput& input, QWidget* parent);

    // What the dialog shows now.
    WaveformInput input() const;

  private:
    const Scheme& scheme_;
    WaveformInput input_;
    QComboBox* order_ = nullptr;
    std::vector<QLineEdit*> values_;
    QLineEdit* message_ = nullptr;
    QComboBox* sideband_ = nullptr;
};

}  // namespace quorvel
