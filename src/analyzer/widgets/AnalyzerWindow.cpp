#include "analyzer/widgets/AnalyzerWindow.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>
#include <exception>

#include "analyzer/AnalyzedRecording.h"
#include "analyzer/widgets/PictureFile.h"
#include "analyzer/widgets/SpectrogramView.h"
#include "analyzer/widgets/SpectrumView.h"
#include "analyzer/widgets/SymbolViews.h"
#include "analyzer/widgets/TimeView.h"
#include "common/NumberText.h"
#include "common/TransmitterChoices.h"

namespace quorvel {
namespace {

constexpr int kFftSizes[] = {256, 512, 1024, 2048, 4096, 8192, 16384, 65536};
constexpr int kDefaultSpectrumSize = 4096;
constexpr int kDefaultSpectrogramSize = 512;
// Without a recorded symbol rate, a guess of this many samples per symbol.
constexpr double kGuessedSamplesPerSymbol = 10.0;
// How often the window looks at the pyramid's progress [ms].
constexpr int kPyramidPollMs = 250;
// The metadata pane beside the views [pixels].
constexpr int kDetailsWidth = 280;

QString fromView(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QComboBox* sizeList(int chosen, QWidget* parent) {
    auto* list = new QComboBox(parent);
    for (const int size : kFftSizes) {
        list->addItem(QString::number(size), size);
    }
    list->setCurrentIndex(list->findData(chosen));
    return list;
}

QHBoxLayout* controlsRow(QVBoxLayout* tab) {
    auto* row = new QHBoxLayout;
    tab->addLayout(row);
    return row;
}

QLabel* caption(const QString& text, QWidget* parent) {
    return new QLabel(text, parent);
}

}  // namespace

AnalyzerWindow::AnalyzerWindow(const QString& path, QWidget* parent)
    : QWidget(parent, Qt::Window),
      recording_(std::make_unique<AnalyzedRecording>(QFile::encodeName(path).toStdString())) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("%1 - %2").arg(QString::fromUtf8(kAnalyzerTitle),
                                                 QFileInfo(path).fileName()));
    resize(1180, 720);
    const Recording& r = recording_->recording();
    // A recording's recorded timing is taken only when it can be filtered with: the metadata is
    // read as it comes, and a rate of 0 or a span of 2^31 must not reach the filter.
    timing_.samplesPerSymbol = kGuessedSamplesPerSymbol;
    if (r.record && !timingProblem(timingOf(r.record->parameters))) {
        timing_ = timingOf(r.record->parameters);
        ideal_ = idealPoints(r.record->parameters);
    }
    end_ = recording_->samples().size();

    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    auto* open = new QPushButton(QStringLiteral("Open..."), this);
    auto* save = new QPushButton(QStringLiteral("Save picture..."), this);
    save->setObjectName(QStringLiteral("savePicture"));
    top->addWidget(open);
    top->addWidget(save);
    auto* summary = new QLabel(summaryText(), this);
    summary_ = summary;
    summary->setObjectName(QStringLiteral("summary"));
    summary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    top->addWidget(summary, 1);
    layout->addLayout(top);

    auto* split = new QSplitter(this);
    tabs_ = new QTabWidget(split);
    tabs_->addTab(timeTab(), QStringLiteral("Time"));
    tabs_->addTab(spectrumTab(), QStringLiteral("Spectrum"));
    tabs_->addTab(spectrogramTab(), QStringLiteral("Spectrogram"));
    tabs_->addTab(symbolTab(false), QStringLiteral("Constellation"));
    tabs_->addTab(symbolTab(true), QStringLiteral("Eye"));
    details_ = new QPlainTextEdit(split);
    details_->setReadOnly(true);
    details_->setLineWrapMode(QPlainTextEdit::NoWrap);
    details_->setMinimumWidth(kDetailsWidth);
    details_->setObjectName(QStringLiteral("details"));
    QString details = QStringLiteral("Data: %1\nMetadata: %2\n")
                          .arg(QString::fromStdString(r.dataPath),
                               r.metadataPath.empty() ? QStringLiteral("none")
                                                      : QString::fromStdString(r.metadataPath));
    details += QStringLiteral("Annotations: %1\n").arg(r.annotations.size());
    if (!r.recipe.empty()) {
        details += QStringLiteral("\nRecipe:\n");
        for (const auto& [key, value] : r.recipe) {
            details += QString::fromStdString(key.substr(8)) + QStringLiteral(": ") +
                       QString::fromStdString(value) + '\n';
        }
    }
    details_->setPlainText(details);
    split->addWidget(tabs_);
    split->addWidget(details_);
    split->setStretchFactor(0, 4);
    split->setStretchFactor(1, 1);
    layout->addWidget(split, 1);
    readout_ = new QLabel(this);
    readout_->setObjectName(QStringLiteral("readout"));
    readout_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(readout_);

    connect(open, &QPushButton::clicked, this, [this] { openAsked(); });
    connect(save, &QPushButton::clicked, this, [this] { savePictureAsked(); });
    connect(tabs_, &QTabWidget::currentChanged, this, [this] { showReadout(QString()); });
    for (PlotView* view :
         std::initializer_list<PlotView*>{time_, spectrum_, spectrogram_, constellation_, eye_}) {
        view->setReadoutSink([this](const QString& text) { showReadout(text); });
    }
    refreshSpectrum();
    refreshSpectrogram();
    refreshSymbols();
    watchPyramid();
}

AnalyzerWindow::~AnalyzerWindow() = default;

// Until the pyramid is complete the summary says how far it has got, and once it is the time
// view, drawn from sampled columns so far, is drawn again exactly.
void AnalyzerWindow::watchPyramid() {
    if (recording_->pyramid().complete()) {
        return;
    }
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, [this, timer] {
        const MinMaxPyramid& pyramid = recording_->pyramid();
        const auto size =
            static_cast<double>(std::max<std::uint64_t>(recording_->samples().size(), 1));
        if (pyramid.complete()) {
            timer->stop();
            timer->deleteLater();
            summary_->setText(summaryText());
            time_->fitAmplitude();
            return;
        }
        summary_->setText(
            summaryText() +
            QStringLiteral("; indexing for the time view: %1 %")
                .arg(100.0 * static_cast<double>(pyramid.builtSamples()) / size, 0, 'f', 0));
    });
    timer->start(kPyramidPollMs);
}

QString AnalyzerWindow::summaryText() const {
    const Recording& r = recording_->recording();
    const auto samples = recording_->samples().size();
    QString rate = r.sampleRateKnown
                       ? QString::fromStdString(quantityText(r.sampleRateHz, "Hz"))
                       : QStringLiteral("unknown (1 Hz assumed: times count samples)");
    return QStringLiteral("%1 samples of %2 at %3, %4")
        .arg(samples)
        .arg(fromView(encodingName(r.encoding)))
        .arg(rate)
        .arg(QString::fromStdString(
            quantityText(static_cast<double>(samples) / r.sampleRateHz, "s")));
}

QWidget* AnalyzerWindow::timeTab() {
    auto* tab = new QWidget;
    auto* layout = new QVBoxLayout(tab);
    controlsRow(layout)->addWidget(
        caption(QStringLiteral("Wheel: zoom; drag: pan; Shift+drag: zoom to a box; Ctrl+wheel: "
                               "amplitude; double-click: all. "
                               "The other views show what this one shows."),
                tab));
    time_ = new TimeView(*recording_, tab);
    time_->setOnSamplesChanged(
        [this](std::uint64_t begin, std::uint64_t end) { samplesShown(begin, end); });
    layout->addWidget(time_, 1);
    return tab;
}

QWidget* AnalyzerWindow::spectrumTab() {
    auto* tab = new QWidget;
    auto* layout = new QVBoxLayout(tab);
    QHBoxLayout* row = controlsRow(layout);
    window_ = new QComboBox(tab);
    for (const SpectralWindow w : spectralWindows()) {
        window_->addItem(fromView(windowName(w)), static_cast<int>(w));
    }
    window_->setCurrentIndex(window_->findData(static_cast<int>(SpectralWindow::Hann)));
    fftSize_ = sizeList(kDefaultSpectrumSize, tab);
    spectrumSettings_ = new QLabel(tab);
    spectrumSettings_->setObjectName(QStringLiteral("spectrumSettings"));
    row->addWidget(caption(QStringLiteral("Window:"), tab));
    row->addWidget(window_);
    row->addWidget(caption(QStringLiteral("Points:"), tab));
    row->addWidget(fftSize_);
    row->addWidget(spectrumSettings_, 1);
    spectrum_ = new SpectrumView(*recording_, tab);
    layout->addWidget(spectrum_, 1);
    connect(window_, &QComboBox::currentIndexChanged, this, [this] { refreshSpectrum(); });
    connect(fftSize_, &QComboBox::currentIndexChanged, this, [this] { refreshSpectrum(); });
    return tab;
}

QWidget* AnalyzerWindow::spectrogramTab() {
    auto* tab = new QWidget;
    auto* layout = new QVBoxLayout(tab);
    QHBoxLayout* row = controlsRow(layout);
    spectrogramSize_ = sizeList(kDefaultSpectrogramSize, tab);
    cursorSymbols_ = new QSpinBox(tab);
    cursorSymbols_->setRange(1, 1000000);
    cursorText_ = new QLabel(tab);
    cursorText_->setObjectName(QStringLiteral("cursorText"));
    row->addWidget(caption(QStringLiteral("Points:"), tab));
    row->addWidget(spectrogramSize_);
    row->addWidget(caption(QStringLiteral("Symbols between the time cursors:"), tab));
    row->addWidget(cursorSymbols_);
    row->addWidget(cursorText_, 1);
    spectrogram_ = new SpectrogramView(*recording_, tab);
    layout->addWidget(spectrogram_, 1);
    connect(spectrogramSize_, &QComboBox::currentIndexChanged, this,
            [this] { refreshSpectrogram(); });
    connect(cursorSymbols_, &QSpinBox::valueChanged, this, [this](int symbols) {
        spectrogram_->setSymbolsBetweenCursors(symbols);
        cursorText_->setText(spectrogram_->cursorText());
    });
    cursorText_->setText(spectrogram_->cursorText());
    return tab;
}

QWidget* AnalyzerWindow::symbolTab(bool eye) {
    auto* tab = new QWidget;
    auto* layout = new QVBoxLayout(tab);
    QHBoxLayout* row = controlsRow(layout);
    if (!eye) {
        const double rate = recording_->sampleRateHz() / timing_.samplesPerSymbol;
        symbolRate_ = new QLineEdit(QString::fromStdString(numberText(rate)), tab);
        symbolRate_->setObjectName(QStringLiteral("symbolRate"));
        pulse_ = new QComboBox(tab);
        for (const PulseChoice& p : pulseChoices()) {
            pulse_->addItem(fromView(p.caption), static_cast<int>(p.value));
        }
        pulse_->setCurrentIndex(pulse_->findData(static_cast<int>(timing_.pulse)));
        rolloff_ = new QLineEdit(QString::fromStdString(numberText(timing_.rolloff)), tab);
        quality_ = new QLabel(tab);
        quality_->setObjectName(QStringLiteral("quality"));
        row->addWidget(caption(QStringLiteral("Symbol rate [Hz]:"), tab));
        row->addWidget(symbolRate_);
        row->addWidget(caption(QStringLiteral("Pulse:"), tab));
        row->addWidget(pulse_);
        row->addWidget(caption(QStringLiteral("Roll-off:"), tab));
        row->addWidget(rolloff_);
        row->addWidget(quality_, 1);
        constellation_ = new ConstellationView(*recording_, tab);
        layout->addWidget(constellation_, 1);
        connect(symbolRate_, &QLineEdit::editingFinished, this, [this] { timingEdited(); });
        connect(rolloff_, &QLineEdit::editingFinished, this, [this] { timingEdited(); });
        connect(pulse_, &QComboBox::currentIndexChanged, this, [this] { timingEdited(); });
        return tab;
    }
    eyeRail_ = new QComboBox(tab);
    eyeRail_->addItems({QStringLiteral("I"), QStringLiteral("Q")});
    row->addWidget(caption(QStringLiteral("Eye of:"), tab));
    row->addWidget(eyeRail_);
    row->addWidget(
        caption(QStringLiteral(
                    "after the matched filter; symbol rate and pulse as on the Constellation tab"),
                tab),
        1);
    eye_ = new EyeView(*recording_, tab);
    layout->addWidget(eye_, 1);
    connect(eyeRail_, &QComboBox::currentIndexChanged, this, [this] { refreshSymbols(); });
    return tab;
}

void AnalyzerWindow::samplesShown(std::uint64_t begin, std::uint64_t end) {
    begin_ = begin;
    end_ = end;
    refreshSpectrum();
    refreshSpectrogram();
    refreshSymbols();
}

void AnalyzerWindow::refreshSpectrum() {
    WelchSettings settings;
    settings.window = static_cast<SpectralWindow>(window_->currentData().toInt());
    settings.fftSize = static_cast<std::size_t>(fftSize_->currentData().toInt());
    spectrum_->estimate(begin_, end_, settings);
    spectrumSettings_->setText(spectrum_->settingsText());
}

void AnalyzerWindow::refreshSpectrogram() {
    spectrogram_->showSamples(begin_, end_,
                              static_cast<std::size_t>(spectrogramSize_->currentData().toInt()),
                              static_cast<SpectralWindow>(window_->currentData().toInt()));
}

void AnalyzerWindow::refreshSymbols() {
    constellation_->recover(begin_, timing_, ideal_);
    quality_->setText(constellation_->qualityText());
    eye_->trace(begin_, timing_, eyeRail_->currentIndex() == 1);
}

void AnalyzerWindow::setSymbolTiming(const SymbolTiming& timing) {
    timing_ = timing;
    symbolRate_->setText(
        QString::fromStdString(numberText(recording_->sampleRateHz() / timing.samplesPerSymbol)));
    rolloff_->setText(QString::fromStdString(numberText(timing.rolloff)));
    pulse_->blockSignals(true);
    pulse_->setCurrentIndex(pulse_->findData(static_cast<int>(timing.pulse)));
    pulse_->blockSignals(false);
    refreshSymbols();
}

void AnalyzerWindow::timingEdited() {
    bool rateOk = false;
    bool rolloffOk = false;
    const double rate = symbolRate_->text().toDouble(&rateOk);
    const double rolloff = rolloff_->text().toDouble(&rolloffOk);
    const auto pulse = static_cast<PulseShape>(pulse_->currentData().toInt());
    SymbolTiming timing = timing_;
    timing.samplesPerSymbol = rateOk ? recording_->sampleRateHz() / rate : 0.0;
    timing.pulse = pulse;
    timing.rolloff = rolloffOk ? rolloff : 0.0;
    if (const auto problem = timingProblem(timing)) {
        quality_->setText(QString::fromStdString(*problem));
        return;
    }
    timing_ = timing;
    refreshSymbols();
}

PlotView& AnalyzerWindow::currentView() const {
    PlotView* views[] = {time_, spectrum_, spectrogram_, constellation_, eye_};
    return *views[std::clamp(tabs_->currentIndex(), 0, 4)];
}

QString AnalyzerWindow::readoutText() const {
    return readout_->text();
}

void AnalyzerWindow::showReadout(const QString& text) {
    if (tabs_->currentWidget() != nullptr && tabs_->currentIndex() == 2) {
        cursorText_->setText(spectrogram_->cursorText());
    }
    readout_->setText(text);
}

std::optional<QString> AnalyzerWindow::saveCurrentView(const QString& path) {
    PlotView& view = currentView();
    return savePicture(view, path, view.size());
}

void AnalyzerWindow::savePictureAsked() {
    const QString path =
        QFileDialog::getSaveFileName(this, QStringLiteral("Save picture"), QString(),
                                     QStringLiteral("PNG picture (*.png);;SVG drawing (*.svg)"));
    if (path.isEmpty()) {
        return;
    }
    if (const auto failure = saveCurrentView(path)) {
        QMessageBox::warning(this, QStringLiteral("Save picture"), *failure);
    }
}

void AnalyzerWindow::openAsked() {
    const QString path = QFileDialog::getOpenFileName(
        this, QStringLiteral("Open recording"), QString(),
        QStringLiteral("Recordings (*.sigmf-meta *.sigmf-data *.csv)"));
    if (!path.isEmpty()) {
        openAnalyzer(path, this);
    }
}

void openAnalyzer(const QString& path, QWidget* owner) {
    try {
        auto* analyzer = new AnalyzerWindow(path);
        if (owner != nullptr) {
            analyzer->move(owner->frameGeometry().topRight() + QPoint(20, 0));
        }
        analyzer->show();
    } catch (const std::exception& e) {
        QMessageBox::warning(owner, QString::fromUtf8(kAnalyzerTitle), QString::fromUtf8(e.what()));
    }
}

}  // namespace quorvel
