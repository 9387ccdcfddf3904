#include "app/widgets/MainWindow.h"

#include <algorithm>
#include <limits>
#include <string>
#include <vector>

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>

#include "analyzer/widgets/AnalyzerWindow.h"
#include "app/PanelStatus.h"
#include "app/widgets/AppIcon.h"
#include "app/widgets/ApplicationState.h"
#include "app/widgets/ImpairmentsDialog.h"
#include "app/widgets/MessagePresenter.h"
#include "app/widgets/QtText.h"
#include "app/widgets/TransmitterDialog.h"
#include "dataset/DatasetRecipe.h"
#include "dataset/SceneRecording.h"
#include "modulation/SchemeCatalog.h"
#include "display/widgets/SignalViewer.h"
#include "modulation/SymbolTiming.h"

namespace quorvel {
namespace {

// Below the generate button, beside where the transmitter's button goes [pixels].
constexpr QRect kImpairmentsButtonRect{230, 630, 200, 30};

std::unique_ptr<MessagePresenter> dialogsUnlessGiven(MessagePresenter* given, QWidget* owner) {
    if (given != nullptr) {
        return nullptr;
    }
    return std::make_unique<DialogMessagePresenter>(owner);
}

// The type number of the modulation list's item at index; 0 past its end.
std::int32_t listType(int index) {
    const Scheme* scheme = schemeAtListIndex(index);
    return scheme != nullptr ? static_cast<std::int32_t>(scheme->type) : 0;
}

}  // namespace

MainWindow::MainWindow(ApplicationState& state, MessagePresenter* messages)
    : state_(state),
      ownMessages_(dialogsUnlessGiven(messages, this)),
      messages_(messages != nullptr ? *messages : *ownMessages_),
      panel_(*this),
      command_(state, messages_, this) {
    setWindowTitle(toQString(kMainWindow.title));
    setWindowIcon(applicationIcon());
    resize(kMainWindow.width, kMainWindow.height);
    auto* transmitter = new QPushButton(QStringLiteral("Transmitter..."), this);
    transmitterButton_ = transmitter;
    transmitter->setObjectName(QStringLiteral("transmitterButton"));
    transmitter->setGeometry(kTransmitterButtonX, kTransmitterButtonY, kTransmitterButtonWidth, kTransmitterButtonHeight);
    transmitter->setAutoDefault(false);
    connect(transmitter, &QPushButton::clicked, this, [this] { editTransmitter(); });
    statusLine_ = new QLabel(this);
    statusLine_->setObjectName(QStringLiteral("statusLine"));
    statusLine_->setGeometry(kStatusLineX, kStatusLineY, kStatusLineWidth, kStatusLineHeight);
    statusLine_->setWordWrap(true);
    impairmentsButton_ = new QPushButton(QStringLiteral("Impairments..."), this);
    impairmentsButton_->setObjectName(QStringLiteral("impairmentsButton"));
    impairmentsButton_->setGeometry(kImpairmentsButtonRect);
    impairmentsButton_->setAutoDefault(false);
    addAdditions();
    connectControls();
    // Same enable states as the table at start; keeps the two in step should either change.
    panel_.applyOrderControls(
        updateOrderControls(listType(panel_.list(ControlId::ModulationType).currentIndex()),
                            panel_.list(ControlId::ApskOrder).currentIndex()));
}

MainWindow::~MainWindow() = default;

void MainWindow::addAdditions() {
    auto* analyzer = new QPushButton(QStringLiteral("Analyzer..."), this);
    analyzer->setObjectName(QStringLiteral("analyzerButton"));
    analyzer->setGeometry(kAnalyzerButtonRect);
    analyzer->setAutoDefault(false);
    analyzer->setToolTip(
        QStringLiteral("Open a recording (.sigmf-meta, .sigmf-data or .csv) in the analyzer"));
    connect(analyzer, &QPushButton::clicked, this, [this] { openAnalyzerAsked(); });
    waveformButton_ = new QPushButton(QStringLiteral("Waveform..."), this);
    waveformButton_->setObjectName(QStringLiteral("waveformButton"));
    waveformButton_->setGeometry(kWaveformButtonRect);
    waveformButton_->setAutoDefault(false);
    waveformButton_->setToolTip(QStringLiteral("The order and parameters of the families after the first eight"));
    connect(waveformButton_, &QPushButton::clicked, this, [this] { editWaveform(); });
    settingsLine_ = new QLabel(this);
    settingsLine_->setObjectName(QStringLiteral("settingsLine"));
    settingsLine_->setGeometry(kSettingsLineRect);
    settingsLine_->setWordWrap(true);
    settingsLine_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* afterRun =
        new QCheckBox(QStringLiteral("Open the analyzer on the last file after each run"), this);
    afterRun->setObjectName(QStringLiteral("analyzerAfterRun"));
    afterRun->setGeometry(kAnalyzerAfterRunRect);
    connect(afterRun, &QCheckBox::toggled, this,
            [this](bool on) { state_.OpenAnalyzerAfterRun = on; });
    auto* browse = new QPushButton(QStringLiteral("Browse..."), this);
    browse->setObjectName(QStringLiteral("browseButton"));
    browse->setGeometry(kBrowseButtonRect);
    browse->setAutoDefault(false);
    connect(browse, &QPushButton::clicked, this, [this] { browseSavePath(); });
    folderLabel_ = new QLabel(this);
    folderLabel_->setObjectName(QStringLiteral("folderLabel"));
    folderLabel_->setGeometry(kFolderLabelRect);
    auto* timingUnit = new QLabel(QStringLiteral("symbol periods"), this);
    timingUnit->setObjectName(QStringLiteral("timingUnit"));
    timingUnit->setGeometry(kTimingUnitRect);
    // Last, so that the tab order of everything before it stays as it was.
    auto* scene = new QPushButton(QStringLiteral("Make Scene..."), this);
    scene->setObjectName(QStringLiteral("makeSceneButton"));
    scene->setGeometry(kMakeSceneButtonRect);
    scene->setAutoDefault(false);
    scene->setToolTip(QStringLiteral(
        "Write one capture of a scene recipe (JSON with \"scene\") into the save path and open it in the analyzer"));
    connect(scene, &QPushButton::clicked, this, [this] { makeSceneAsked(); });
    // Enter in any field is the button's press, as in a dialog.
    for (QLineEdit* field : findChildren<QLineEdit*>(QString(), Qt::FindDirectChildrenOnly)) {
        connect(field, &QLineEdit::returnPressed, this, [this] {
            if (panel_.generateButton().isEnabled()) {
                generate();
            }
        });
    }
    connect(&panel_.edit(ControlId::SavePath), &QLineEdit::textChanged, this,
            [this] { showFolder(); });
    connect(&panel_.list(ControlId::ModulationType), &QComboBox::currentIndexChanged, this,
            [this] { showSettings(); });
    command_.setOnInputError([this](const std::string& message) { focusOnProblem(message); });
    showFolder();
    showSettings();
}

ControlPanelInput MainWindow::fullInput() const {
    ControlPanelInput input = panel_.input();
    input.transmitter = transmitter_;
    input.impairments = impairments_;
    const Scheme* scheme = schemeAtListIndex(input.modulationIndex);
    if (scheme != nullptr) {
        if (const auto order = waveform_.orders.find(scheme->type); order != waveform_.orders.end()) {
            input.waveformOrder = order->second;
        }
    }
    input.waveformValues = waveform_.values;
    input.analogMessage = waveform_.message;
    input.lowerSideband = waveform_.lowerSideband;
    return input;
}

void MainWindow::editWaveform() {
    const Scheme* scheme = schemeAtListIndex(panel_.list(ControlId::ModulationType).currentIndex());
    if (scheme == nullptr) {
        return;
    }
    WaveformDialog dialog(*scheme, waveform_, this);
    if (dialog.exec() == QDialog::Accepted) {
        waveform_ = dialog.input();
        // An order off the panel's APSK list brings its radii into the field, as the list's do.
        const auto order = waveform_.orders.find(scheme->type);
        const SchemeOrder* chosen = order != waveform_.orders.end() ? findOrder(*scheme, order->second) : nullptr;
        if (scheme->hasRadii && chosen != nullptr && !chosen->onPanel) {
            panel_.edit(ControlId::ApskRadii).setText(toQString(chosen->radiiText));
        }
        showSettings();
    }
}

void MainWindow::showSettings() {
    const ControlPanelInput input = fullInput();
    const bool laterFamily = [&] {
        const Scheme* scheme = schemeAtListIndex(input.modulationIndex);
        const auto offPanel = [](const SchemeOrder& order) { return !order.onPanel; };
        return scheme != nullptr && (!scheme->parameters.empty() || (scheme->hasOrders() && !scheme->ownsOrderField()) ||
                                     std::any_of(scheme->orders.begin(), scheme->orders.end(), offPanel));
    }();
    waveformButton_->setEnabled(laterFamily);
    const QString text = QString::fromStdString(panelSettingsSummary(input));
    settingsLine_->setText(text);
    settingsLine_->setToolTip(text);
}

void MainWindow::showFolder() {
    const QString folder = QString::fromStdString(panelFolder(panel_.input().savePath));
    const QFileInfo info(folder);
    const QString shown =
        info.isDir() ? info.canonicalFilePath() : QStringLiteral("(no such folder)");
    folderLabel_->setToolTip(shown);
    folderLabel_->setText(
        folderLabel_->fontMetrics().elidedText(shown, Qt::ElideMiddle, kFolderLabelRect.width()));
}

void MainWindow::browseSavePath() {
    const QString start =
        QFileInfo(QString::fromStdString(panelFolder(panel_.input().savePath))).absoluteFilePath();
    const QString chosen =
        QFileDialog::getExistingDirectory(this, QStringLiteral("Save path"), start);
    if (!chosen.isEmpty()) {
        panel_.edit(ControlId::SavePath).setText(chosen);
    }
}

void MainWindow::openAnalyzerAsked() {
    const QString start =
        QFileInfo(QString::fromStdString(panelFolder(panel_.input().savePath))).absoluteFilePath();
    const QString path = QFileDialog::getOpenFileName(
        this, QStringLiteral("Open recording"), start,
        QStringLiteral("Recordings (*.sigmf-meta *.sigmf-data *.csv)"));
    if (!path.isEmpty()) {
        openAnalyzer(path, this);
    }
}

void MainWindow::makeSceneAsked() {
    const QString start =
        QFileInfo(QString::fromStdString(panelFolder(panel_.input().savePath))).absoluteFilePath();
    const QString recipe = QFileDialog::getOpenFileName(
        this, QStringLiteral("Scene recipe"), start, QStringLiteral("Scene recipes (*.json)"));
    if (recipe.isEmpty()) {
        return;
    }
    bool chosen = false;
    const int capture = QInputDialog::getInt(this, QStringLiteral("Make Scene"),
                                             QStringLiteral("Capture index:"), 0, 0,
                                             std::numeric_limits<int>::max(), 1, &chosen);
    if (chosen) {
        makeScene(recipe, static_cast<std::uint64_t>(capture));
    }
}

std::optional<QString> MainWindow::makeScene(const QString& recipePath, std::uint64_t capture) {
    const auto refuse = [this](const std::string& why) {
        messages_.present({QStringLiteral("Make Scene"), QString::fromStdString(why), QString(),
                           MessageIcon::Warning});
        return std::nullopt;
    };
    const RecipeReading reading = readDatasetRecipeFile(recipePath.toStdString());
    if (!reading) {
        return refuse(reading.problem);
    }
    if (!reading.recipe->scene) {
        return refuse("The recipe has no \"scene\" object.");
    }
    if (capture >= reading.recipe->captureCount()) {
        return refuse("The recipe has " + std::to_string(reading.recipe->captureCount()) +
                      " captures; there is no capture " + std::to_string(capture) + ".");
    }
    std::vector<std::string> written;
    std::optional<std::string> failed;
    {
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        const auto restore = qScopeGuard([] { QGuiApplication::restoreOverrideCursor(); });
        failed = writeSceneRecording(*reading.recipe, capture,
                                     panelFolder(panel_.input().savePath), written);
    }
    if (failed) {
        return refuse("Could not write the scene: " + *failed);
    }
    const auto meta = std::find_if(written.begin(), written.end(), [](const std::string& path) {
        return path.ends_with(".sigmf-meta");
    });
    if (meta == written.end()) {
        return refuse("The scene's metadata file was not written.");
    }
    const QString path = QString::fromStdString(*meta);
    openAnalyzer(path, this);
    return path;
}

void MainWindow::focusOnProblem(const std::string& message) {
    const MessageFocus focus = focusOfMessage(message);
    switch (focus.place) {
        case MessagePlace::Field:
            if (controlRow(focus.field).kind == FieldKind::List) {
                panel_.list(focus.field).setFocus();
            } else {
                panel_.edit(focus.field).setFocus();
                panel_.edit(focus.field).selectAll();
            }
            break;
        case MessagePlace::TransmitterDialog:
            transmitterButton_->setFocus();
            break;
        case MessagePlace::ImpairmentsDialog:
            impairmentsButton_->setFocus();
            break;
        case MessagePlace::Nowhere:
            break;
    }
}

void MainWindow::connectControls() {
    connect(&panel_.list(ControlId::ModulationType), &QComboBox::currentIndexChanged, this,
            [this](int index) { modulationChosen(index); });
    connect(&panel_.list(ControlId::ApskOrder), &QComboBox::currentIndexChanged, this,
            [this](int index) { apskOrderChosen(index); });
    connect(&panel_.showSampledData(), &QCheckBox::toggled, this,
            [this](bool checked) { showSampledDataToggled(checked); });
    connect(&panel_.generateButton(), &QPushButton::clicked, this, [this] { generate(); });
    connect(impairmentsButton_, &QPushButton::clicked, this, [this] { editImpairments(); });
}

void MainWindow::generate() {
    // The window keeps answering while the run goes on; a click then would start the same run
    // again as soon as this one ended.
    QPushButton& button = panel_.generateButton();
    button.setEnabled(false);
    const auto enableAgain = qScopeGuard([&button] { button.setEnabled(true); });
    const ControlPanelInput input = fullInput();
    const ControlPanelReading reading = readControlPanel(input);
    statusLine_->setText(reading && symbolRateDiffers(*reading.parameters)
                             ? toQString(symbolRateWarning(*reading.parameters))
                             : QString());
    command_.run(input);
}

void MainWindow::editTransmitter() {
    TransmitterDialog dialog(transmitter_, this);
    if (dialog.exec() == QDialog::Accepted) {
        transmitter_ = dialog.input();
        showSettings();
    }
}

void MainWindow::editImpairments() {
    ImpairmentsDialog dialog(impairments_, this);
    dialog.setSamplingRateText(panel_.edit(ControlId::SamplingRate).text());
    if (dialog.exec() == QDialog::Accepted) {
        impairments_ = dialog.texts();
        showSettings();
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    command_.abandonRun();
    QWidget::closeEvent(event);
}

void MainWindow::modulationChosen(int index) {
    panel_.applyOrderControls(
        updateOrderControls(listType(index), panel_.list(ControlId::ApskOrder).currentIndex()));
}

void MainWindow::apskOrderChosen(int index) {
    panel_.edit(ControlId::ApskRadii).setText(QString::fromStdString(defaultApskRadiiText(index)));
}

void MainWindow::showSampledDataToggled(bool checked) {
    state_.ShowSampledData = checked;
    if (state_.ViewerWindow) {
        state_.ViewerWindow->setShowSampledData(checked);
    }
}

}  // namespace quorvel
