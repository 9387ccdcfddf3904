#include "app/widgets/TransmitterDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/widgets/QtText.h"
#include "common/NumberText.h"
#include "common/TransmitterChoices.h"

namespace quorvel {
namespace {

QString fromUtf16(const std::u16string& text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

std::u16string toUtf16(const QString& text) {
    return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())};
}

template <typename Rows>
QComboBox* listOf(const Rows& rows, QWidget* parent) {
    auto* list = new QComboBox(parent);
    for (const auto& row : rows) {
        list->addItem(toQString(row.caption));
    }
    return list;
}

}  // namespace

TransmitterDialog::TransmitterDialog(const TransmitterInput& input, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Transmitter"));
    auto* form = new QFormLayout(this);
    pulse_ = listOf(pulseChoices(), this);
    rolloffLabel_ = new QLabel(this);
    rolloff_ = new QLineEdit(fromUtf16(input.rolloff), this);
    span_ = new QLineEdit(fromUtf16(input.span), this);
    span_->setPlaceholderText(QStringLiteral("%1 (default)").arg(Transmitter{}.span));
    exactTiming_ = new QCheckBox(QStringLiteral("Exact symbol timing (FSK, MSK, GMSK)"), this);
    exactTiming_->setChecked(input.exactTiming);
    gray_ = new QCheckBox(QStringLiteral("Gray coding"), this);
    gray_->setChecked(input.gray);
    bitSource_ = new QComboBox(this);
    for (const std::string_view item : bitSourceItems()) {
        bitSource_->addItem(toQString(item));
    }
    bitsFile_ = new QLineEdit(QString::fromStdString(input.bitsFile), this);
    auto* browseButton = new QPushButton(QStringLiteral("Browse..."), this);
    browse_ = browseButton;
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(bitsFile_);
    fileRow->addWidget(browseButton);
    snrDefinition_ = listOf(snrDefinitionChoices(), this);

    form->addRow(QStringLiteral("Pulse shape:"), pulse_);
    form->addRow(rolloffLabel_, rolloff_);
    form->addRow(QStringLiteral("Span (symbols):"), span_);
    form->addRow(exactTiming_);
    form->addRow(gray_);
    form->addRow(QStringLiteral("Bit source:"), bitSource_);
    form->addRow(QStringLiteral("Bits file:"), fileRow);
    form->addRow(QStringLiteral("SNR definition:"), snrDefinition_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    form->addRow(buttons);

    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(pulse_, &QComboBox::currentIndexChanged, this, [this](int index) { pulseChosen(index); });
    connect(bitSource_, &QComboBox::currentIndexChanged, this, [this](int index) { bitSourceChosen(index); });
    connect(browseButton, &QPushButton::clicked, this, [this] { browse(); });
    pulse_->setCurrentIndex(input.pulseIndex);
    bitSource_->setCurrentIndex(input.bitSourceIndex);
    snrDefinition_->setCurrentIndex(input.snrDefinitionIndex);
    pulseChosen(pulse_->currentIndex());
    bitSourceChosen(bitSource_->currentIndex());
}

void TransmitterDialog::pulseChosen(int index) {
    const PulseChoice& pulse = pulseChoices()[static_cast<std::size_t>(std::max(index, 0))];
    const bool shaped = pulse.value != PulseShape::Linear;
    rolloffLabel_->setText(pulse.value == PulseShape::Gaussian ? QStringLiteral("BT:") : QStringLiteral("Roll-off:"));
    rolloff_->setPlaceholderText(toQString(numberText(pulse.defaultRolloff) + " (default)"));
    rolloff_->setEnabled(shaped);
    span_->setEnabled(shaped);
}

void TransmitterDialog::bitSourceChosen(int index) {
    const bool file = index > 0 && bitSourceChoices()[static_cast<std::size_t>(index - 1)].value == BitSource::File;
    bitsFile_->setEnabled(file);
    browse_->setEnabled(file);
}

void TransmitterDialog::browse() {
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Bits file"), bitsFile_->text());
    if (!path.isEmpty()) {
        bitsFile_->setText(path);
    }
}

TransmitterInput TransmitterDialog::input() const {
    TransmitterInput input;
    input.pulseIndex = pulse_->currentIndex();
    input.rolloff = toUtf16(rolloff_->text());
    input.span = toUtf16(span_->text());
    input.exactTiming = exactTiming_->isChecked();
    input.gray = gray_->isChecked();
    input.bitSourceIndex = bitSource_->currentIndex();
    input.bitsFile = bitsFile_->text().toStdString();
    input.snrDefinitionIndex = snrDefinition_->currentIndex();
    return input;
}

}  // namespace quorvel
