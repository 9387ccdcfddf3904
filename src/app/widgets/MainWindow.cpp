#include "app/widgets/MainWindow.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>

#include "app/widgets/AppIcon.h"
#include "app/widgets/ImpairmentsDialog.h"
#include "app/widgets/ApplicationState.h"
#include "app/widgets/MessagePresenter.h"
#include "app/widgets/QtText.h"
#include "app/widgets/TransmitterDialog.h"
#include "modulation/SymbolTiming.h"
#include "display/widgets/SignalViewer.h"

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

}  // namespace

MainWindow::MainWindow(ApplicationState& state, MessagePresenter* messages)
    : state_(state),
      ownMessages_(dialogsUnlessGiven(messages, this)),
      panel_(*this),
      command_(state, messages != nullptr ? *messages : *ownMessages_, this) {
    setWindowTitle(toQString(kMainWindow.title));
    setWindowIcon(applicationIcon());
    resize(kMainWindow.width, kMainWindow.height);
    auto* transmitter = new QPushButton(QStringLiteral("Transmitter..."), this);
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
    connectControls();
    // Same enable states as the table at start; keeps the two in step should either change.
    panel_.applyOrderControls(
        updateOrderControls(panel_.list(ControlId::ModulationType).currentIndex() + 1,
                            panel_.list(ControlId::ApskOrder).currentIndex()));
}

MainWindow::~MainWindow() = default;

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
    ControlPanelInput input = panel_.input();
    input.transmitter = transmitter_;
    input.impairments = impairments_;
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
    }
}

void MainWindow::editImpairments() {
    ImpairmentsDialog dialog(impairments_, this);
    if (dialog.exec() == QDialog::Accepted) {
        impairments_ = dialog.texts();
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    command_.abandonRun();
    QWidget::closeEvent(event);
}

void MainWindow::modulationChosen(int index) {
    panel_.applyOrderControls(
        updateOrderControls(index + 1, panel_.list(ControlId::ApskOrder).currentIndex()));
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
