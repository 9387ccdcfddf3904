#include "app/widgets/ImpairmentsDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <array>
#include <cmath>
#include <cstring>

#include "app/widgets/QtText.h"

namespace quorvel {
namespace {

// How a row's numbers make the command line's text: prefix, the first number, the separator and
// the second number (if the row has one), each with its caption and unit.
struct RowShape {
    ImpairmentSetting setting;
    const char* prefix;
    const char* separator;  // empty for a row of one field
    std::array<const char*, 2> captions;
    std::array<const char*, 2> units;
    int width;  // of each field [pixels]
};

constexpr std::array<RowShape, 8> kRows{{
    {ImpairmentSetting::Amplifier, "rapp:", ",", {"Rapp P", "saturation A"}, {"", "(linear)"}, 70},
    {ImpairmentSetting::ClockOffset, "", "", {"", ""}, {"ppm", ""}, 90},
    {ImpairmentSetting::Multipath,
     "",
     "",
     {"", ""},
     {"delay (samples):gain (dB):phase (deg), ...", ""},
     170},
    {ImpairmentSetting::Fading, "", "", {"K-factor", ""}, {"(linear, Rician)", ""}, 70},
    {ImpairmentSetting::Doppler, "", "", {"", ""}, {"Hz", ""}, 90},
    {ImpairmentSetting::PhaseNoise, "", "@", {"", "at"}, {"dBc/Hz", "Hz"}, 70},
    {ImpairmentSetting::IqImbalance, "", ",", {"", ""}, {"dB", "deg"}, 70},
    {ImpairmentSetting::DcOffset, "", ",", {"I", "Q"}, {"", ""}, 70},
}};

// A field's fault shows as a red frame around it.
const QString kFaultStyle = QStringLiteral("QLineEdit { border: 1px solid #c00000; }");

// The fields' texts from a setting's text: prefix dropped, split at the separator.
std::array<QString, 2> partsOf(const RowShape& row, const std::string& text) {
    QString rest = QString::fromStdString(text);
    if (!rest.isEmpty() && rest.startsWith(QString::fromLatin1(row.prefix))) {
        rest = rest.mid(static_cast<qsizetype>(std::strlen(row.prefix)));
    }
    if (*row.separator == '\0') {
        return {rest, QString()};
    }
    const qsizetype at = rest.indexOf(QLatin1Char(*row.separator));
    return at < 0 ? std::array<QString, 2>{rest, QString()}
                  : std::array<QString, 2>{rest.left(at), rest.mid(at + 1)};
}

}  // namespace

ImpairmentsDialog::ImpairmentsDialog(const ImpairmentTexts& texts, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Impairments"));
    auto* layout = new QVBoxLayout(this);
    auto* note = new QLabel(QStringLiteral("An empty field leaves the impairment off. The values "
                                           "are checked as they are typed, and "
                                           "again when the signal is generated."),
                            this);
    note->setWordWrap(true);
    layout->addWidget(note);
    auto* form = new QFormLayout;
    for (const RowShape& row : kRows) {
        const ImpairmentSettingName& name = nameOf(row.setting);
        auto* line = new QHBoxLayout;
        std::vector<QLineEdit*> fields;
        if (row.setting == ImpairmentSetting::Fading) {
            fading_ = new QComboBox(this);
            fading_->addItems(
                {QStringLiteral("off"), QStringLiteral("Rayleigh"), QStringLiteral("Rician")});
            fading_->setObjectName(QStringLiteral("fadingModel"));
            line->addWidget(fading_);
        }
        const auto parts = partsOf(row, texts.*name.text);
        const int count = *row.separator == '\0' ? 1 : 2;
        for (int k = 0; k < count; ++k) {
            if (*row.captions[static_cast<std::size_t>(k)] != '\0') {
                line->addWidget(
                    new QLabel(QString::fromUtf8(row.captions[static_cast<std::size_t>(k)]), this));
            }
            auto* field = new QLineEdit(this);
            field->setObjectName(toQString(name.option.substr(2)) +
                                 (k == 0 ? QString() : QStringLiteral("-2")));
            field->setToolTip(toQString(name.help));
            field->setMinimumWidth(row.width);
            fields.push_back(field);
            line->addWidget(field, row.setting == ImpairmentSetting::Multipath ? 1 : 0);
            if (*row.units[static_cast<std::size_t>(k)] != '\0') {
                line->addWidget(
                    new QLabel(QString::fromUtf8(row.units[static_cast<std::size_t>(k)]), this));
            }
        }
        if (row.setting == ImpairmentSetting::Fading) {
            const QString text = QString::fromStdString(texts.fading);
            fading_->setCurrentIndex(text.startsWith(QStringLiteral("rician")) ? 2
                                     : text == QStringLiteral("rayleigh")      ? 1
                                                                               : 0);
            fields[0]->setText(text.startsWith(QStringLiteral("rician:")) ? text.mid(7)
                                                                          : QString());
        } else {
            for (int k = 0; k < count; ++k) {
                fields[static_cast<std::size_t>(k)]->setText(parts[static_cast<std::size_t>(k)]);
            }
        }
        line->addStretch(1);
        form->addRow(toQString(name.label), line);
        numbers_.push_back(std::move(fields));
    }
    layout->addLayout(form);
    problem_ = new QLabel(this);
    problem_->setObjectName(QStringLiteral("problem"));
    problem_->setWordWrap(true);
    problem_->setStyleSheet(QStringLiteral("color: #c00000"));
    layout->addWidget(problem_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    for (const auto& fields : numbers_) {
        for (QLineEdit* field : fields) {
            connect(field, &QLineEdit::textChanged, this, [this] { check(); });
        }
    }
    connect(fading_, &QComboBox::currentIndexChanged, this, [this] { check(); });
    check();
}

void ImpairmentsDialog::setSamplingRateText(const QString& text) {
    bool ok = false;
    const double rate = text.trimmed().toDouble(&ok);
    samplingRateHz_ = ok && rate > 0.0 && std::isfinite(rate) ? rate : 10000.0;
    check();
}

ImpairmentTexts ImpairmentsDialog::texts() const {
    ImpairmentTexts texts;
    for (std::size_t r = 0; r < kRows.size(); ++r) {
        const RowShape& row = kRows[r];
        const auto& fields = numbers_[r];
        std::string& text = texts.*nameOf(row.setting).text;
        if (row.setting == ImpairmentSetting::Fading) {
            const int model = fading_->currentIndex();
            text = model == 0   ? std::string()
                   : model == 1 ? std::string("rayleigh")
                                : "rician:" + fields[0]->text().trimmed().toStdString();
            continue;
        }
        const QString first = fields[0]->text().trimmed();
        const QString second = fields.size() > 1 ? fields[1]->text().trimmed() : QString();
        if (first.isEmpty() && second.isEmpty()) {
            continue;
        }
        text = row.prefix + first.toStdString() +
               (fields.size() > 1 ? row.separator + second.toStdString() : std::string());
    }
    return texts;
}

QLineEdit& ImpairmentsDialog::number(ImpairmentSetting setting, int part) const {
    return *numbers_[static_cast<std::size_t>(setting)][static_cast<std::size_t>(part)];
}

QString ImpairmentsDialog::problem() const {
    return problem_->text();
}

void ImpairmentsDialog::check() {
    if (fading_ == nullptr || ok_ == nullptr) {
        return;
    }
    const ImpairmentReading reading = readImpairments(texts(), samplingRateHz_);
    for (std::size_t r = 0; r < kRows.size(); ++r) {
        const bool faulty = reading.problem && reading.problem->setting == kRows[r].setting;
        for (QLineEdit* field : numbers_[r]) {
            field->setStyleSheet(faulty ? kFaultStyle : QString());
        }
    }
    problem_->setText(reading.problem ? QString::fromStdString(reading.problem->labelMessage())
                                      : QString());
    ok_->setEnabled(!reading.problem);
}

}  // namespace quorvel
