#pragma once
// The "Analyzer" window: one recording read from its files, shown as a time view, a spectrum, a
// spectrogram, a constellation and an eye diagram, each with axes, a cursor readout, zoom and
// pan, and saved as a picture; beside them what the recording's metadata says.

#include <QWidget>
#include <memory>

#include "analyzer/SymbolRecovery.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QSpinBox;
class QTabWidget;

namespace quorvel {

class AnalyzedRecording;
class ConstellationView;
class EyeView;
class PlotView;
class SpectrogramView;
class SpectrumView;
class TimeView;

inline constexpr char kAnalyzerTitle[] = "Analyzer";

class AnalyzerWindow : public QWidget {
  public:
    // Opens the recording at path. Throws std::runtime_error with the reason when it cannot be
    // read. The window deletes itself when closed.
    explicit AnalyzerWindow(const QString& path, QWidget* parent = nullptr);
    ~AnalyzerWindow() override;

    AnalyzedRecording& recording() const { return *recording_; }
    TimeView& timeView() const { return *time_; }
    SpectrumView& spectrumView() const { return *spectrum_; }
    SpectrogramView& spectrogramView() const { return *spectrogram_; }
    ConstellationView& constellationView() const { return *constellation_; }
    EyeView& eyeView() const { return *eye_; }
    QTabWidget& tabs() const { return *tabs_; }
    // The view of the tab shown now.
    PlotView& currentView() const;
    // The readout line under the views.
    QString readoutText() const;

    // Sets the constellation's and the eye's symbol rate [Hz] and pulse, as the fields would.
    void setSymbolTiming(const SymbolTiming& timing);
    const SymbolTiming& symbolTiming() const { return timing_; }

    // Saves the current view to path (PNG, or SVG by its name) at its size on screen; nothing or
    // the reason it failed.
    std::optional<QString> saveCurrentView(const QString& path);

  private:
    QWidget* timeTab();
    QWidget* spectrumTab();
    QWidget* spectrogramTab();
    QWidget* symbolTab(bool eye);
    QString summaryText() const;
    void samplesShown(std::uint64_t begin, std::uint64_t end);
    void refreshSpectrum();
    void refreshSpectrogram();
    void refreshSymbols();
    void timingEdited();
    void savePictureAsked();
    void openAsked();
    void showReadout(const QString& text);
    void watchPyramid();

    std::unique_ptr<AnalyzedRecording> recording_;
    SymbolTiming timing_{};
    std::vector<IqSample> ideal_;
    std::uint64_t begin_ = 0;
    std::uint64_t end_ = 0;
    QTabWidget* tabs_ = nullptr;
    TimeView* time_ = nullptr;
    SpectrumView* spectrum_ = nullptr;
    SpectrogramView* spectrogram_ = nullptr;
    ConstellationView* constellation_ = nullptr;
    EyeView* eye_ = nullptr;
    QComboBox* window_ = nullptr;
    QComboBox* fftSize_ = nullptr;
    QLabel* spectrumSettings_ = nullptr;
    QComboBox* spectrogramSize_ = nullptr;
    QSpinBox* cursorSymbols_ = nullptr;
    QLabel* cursorText_ = nullptr;
    QLineEdit* symbolRate_ = nullptr;
    QComboBox* pulse_ = nullptr;
    QLineEdit* rolloff_ = nullptr;
    QLabel* quality_ = nullptr;
    QComboBox* eyeRail_ = nullptr;
    QLabel* readout_ = nullptr;
    QLabel* summary_ = nullptr;
    QPlainTextEdit* details_ = nullptr;
};

// Opens an analyzer on path beside owner (anywhere when null), or says why not in a box.
void openAnalyzer(const QString& path, QWidget* owner);

}  // namespace quorvel
