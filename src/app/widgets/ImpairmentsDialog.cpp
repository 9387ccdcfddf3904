#include "app/widgets/ImpairmentsDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "app/widgets/QtText.h"

namespace quorvel {

ImpairmentsDialog::ImpairmentsDialog(const ImpairmentTexts& texts, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Impairments"));
    auto* layout = new QVBoxLayout(this);
    auto* note = new QLabel(
        QStringLiteral("An empty field leaves the impairment off. The values are checked "
                       "when the signal is generated."),
        this);
    note->setWordWrap(true);
    layout->addWidget(note);
    auto* form = new QFormLayout;
    for (const ImpairmentSettingName& name : impairmentSettingNames()) {
        auto* edit = new QLineEdit(QString::fromStdString(texts.*name.text), this);
        edit->setObjectName(toQString(name.option.substr(2)));
        edit->setPlaceholderText(toQString(name.syntax));
        edit->setToolTip(toQString(name.help));
        edit->setMinimumWidth(260);
        form->addRow(toQString(name.label), edit);
        fields_.push_back(edit);
    }
    layout->addLayout(form);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

ImpairmentTexts ImpairmentsDialog::texts() const {
    ImpairmentTexts texts;
    const auto names = impairmentSettingNames();
    for (std::size_t k = 0; k < names.size(); ++k) {
        texts.*names[k].text = fields_[k]->text().toStdString();
    }
    return texts;
}

QLineEdit& ImpairmentsDialog::field(ImpairmentSetting setting) const {
    return *fields_[static_cast<std::size_t>(setting)];
}

}  // namespace quorvel
