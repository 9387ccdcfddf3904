#pragma once
// The "Quorvel" window: the control panel, its enable rule, the "Display Sampled Data" check box,
// the generate button and the "Impairments..." button below them.

#include <QRect>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <optional>

class QLabel;
#include <memory>

#include "app/TransmitterInput.h"
#include "app/widgets/WaveformDialog.h"

#include "app/widgets/ControlPanel.h"
#include "app/widgets/GenerateCommand.h"
#include "request/ImpairmentSettings.h"

class QPushButton;

namespace quorvel {

struct ApplicationState;
class MessagePresenter;

// Beside the stated controls, below the generate button [pixels]: the transmitter dialog's
// button and a status line for what the run would rather say than ask.
inline constexpr int kTransmitterButtonX = 20, kTransmitterButtonY = 630, kTransmitterButtonWidth = 200,
                     kTransmitterButtonHeight = 30;
inline constexpr int kStatusLineX = 20, kStatusLineY = 680, kStatusLineWidth = 560, kStatusLineHeight = 48;
// Further additions beside the stated controls [pixels]: the analyzer's button beside the
// dialogs' buttons, the settings line and the analyzer's check box below the status line, the
// save path's browse button and its folder, and the timing error's unit.
inline constexpr QRect kAnalyzerButtonRect{440, 630, 140, 30};
// Right of the modulation list: the dialog of the families that have no controls on the panel.
inline constexpr QRect kWaveformButtonRect{470, 80, 110, 24};
inline constexpr QRect kSettingsLineRect{20, 730, 560, 44};
inline constexpr QRect kAnalyzerAfterRunRect{20, 774, 400, 22};
inline constexpr QRect kBrowseButtonRect{335, 470, 75, 24};
inline constexpr QRect kFolderLabelRect{415, 470, 175, 24};
inline constexpr QRect kTimingUnitRect{335, 380, 150, 24};
// Right of the analyzer's check box: one capture of a scene recipe, written and opened.
inline constexpr QRect kMakeSceneButtonRect{440, 772, 140, 26};

class MainWindow : public QWidget {
  public:
    // A main window working on state. Its message boxes go to messages, or, when none is given,
    // to modal boxes owned by this window. state and messages must outlive the window.
    explicit MainWindow(ApplicationState& state, MessagePresenter* messages = nullptr);
    ~MainWindow() override;

    // Writes capture `capture` of the scene recipe at recipePath into the save path's folder, as
    // quorvel-cli --scene does, and opens the analyzer on it. The metadata file's path, or
    // nothing when a box said why not.
    std::optional<QString> makeScene(const QString& recipePath, std::uint64_t capture);

  protected:
    // A run going on when the window closes is stopped and waited for, without a box.
    void closeEvent(QCloseEvent* event) override;

  private:
    void connectControls();
    void addAdditions();
    void generate();
    void modulationChosen(int index);
    void apskOrderChosen(int index);
    void showSampledDataToggled(bool checked);
    void editTransmitter();
    void editImpairments();
    void editWaveform();
    // The panel's content with the dialogs' settings.
    ControlPanelInput fullInput() const;
    void browseSavePath();
    void openAnalyzerAsked();
    void makeSceneAsked();
    void showSettings();
    void showFolder();
    void focusOnProblem(const std::string& message);

    ApplicationState& state_;
    std::unique_ptr<MessagePresenter> ownMessages_;
    MessagePresenter& messages_;
    ControlPanel panel_;
    GenerateCommand command_;
    TransmitterInput transmitter_;
    QLabel* statusLine_ = nullptr;
    QLabel* settingsLine_ = nullptr;
    QLabel* folderLabel_ = nullptr;
    QPushButton* transmitterButton_ = nullptr;
    QPushButton* impairmentsButton_ = nullptr;
    QPushButton* waveformButton_ = nullptr;
    WaveformInput waveform_;  // what the waveform dialog last accepted
    ImpairmentTexts impairments_;  // what the impairments dialog last accepted
};

}  // namespace quorvel
