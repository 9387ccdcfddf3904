#include "app/widgets/WaveformDialog.h"

#include <algorithm>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

#include "app/widgets/QtText.h"
#include "common/NumberText.h"
#include "modulation/SchemeCatalog.h"

namespace quorvel {

WaveformDialog::WaveformDialog(const Scheme& scheme, const WaveformInput& input, QWidget* parent)
    : QDialog(parent), scheme_(scheme), input_(input) {
    setWindowTitle(QStringLiteral("Waveform: ") + toQString(scheme.family.empty() ? scheme.name : scheme.family));
    auto* form = new QFormLayout(this);
    if (scheme.hasOrders()) {
        order_ = new QComboBox(this);
        order_->setObjectName(QStringLiteral("waveformOrder"));
        const auto chosen = input.orders.find(scheme.type);
        // A scheme with a list on the panel offers here only the orders its list lacks.
        const bool panelList = scheme.ownsOrderField();
        if (panelList) {
            order_->addItem(QStringLiteral("As the panel's list"), 0);
        }
        for (const SchemeOrder& order : scheme.orders) {
            if (!panelList || !order.onPanel) {
                order_->addItem(toQString(order.caption), order.value);
            }
        }
        order_->setCurrentIndex(panelList ? 0 : static_cast<int>(scheme.defaultOrder));
        if (chosen != input.orders.end()) {
            const int at = order_->findData(chosen->second);
            order_->setCurrentIndex(at >= 0 ? at : order_->currentIndex());
        }
        form->addRow(QStringLiteral("Order (M):"), order_);
    }
    for (const WaveformParameter& parameter : scheme.parameters) {
        const auto text = input.values.find(parameter.name);
        auto* edit = new QLineEdit(this);
        edit->setObjectName(toQString(parameter.name));
        if (text != input.values.end()) {
            edit->setText(QString::fromStdU16String(text->second));
        }
        edit->setPlaceholderText(toQString(parameterText(parameter, parameter.defaultValue)) + QStringLiteral(" (default)"));
        edit->setToolTip(toQString(parameter.help));
        // Wide enough to show its default in full beside a long label, and to hold a word such as
        // "apsk:128" or a number with its default note.
        edit->setMinimumWidth(std::max(edit->fontMetrics().horizontalAdvance(edit->placeholderText()) + 16,
                                       edit->fontMetrics().horizontalAdvance(QStringLiteral("0000000 (default)"))));
        form->addRow(toQString(parameter.help) + QStringLiteral(":"), edit);
        values_.push_back(edit);
    }
    if (scheme.takesMessage) {
        message_ = new QLineEdit(QString::fromStdU16String(input.message), this);
        message_->setObjectName(QStringLiteral("message"));
        message_->setPlaceholderText(QStringLiteral("noise (default), or tone:HZ[,HZ...]"));
        message_->setMinimumWidth(message_->fontMetrics().horizontalAdvance(message_->placeholderText()) + 16);
        form->addRow(QStringLiteral("Message:"), message_);
    }
    if (scheme.takesSideband) {
        sideband_ = new QComboBox(this);
        sideband_->setObjectName(QStringLiteral("sideband"));
        sideband_->addItem(QStringLiteral("Upper"));
        sideband_->addItem(QStringLiteral("Lower"));
        sideband_->setCurrentIndex(input.lowerSideband ? 1 : 0);
        form->addRow(QStringLiteral("Sideband:"), sideband_);
    }
    if (!scheme.hasOrders() && scheme.parameters.empty()) {
        form->addRow(new QLabel(QStringLiteral("This family has nothing to choose."), this));
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
}

WaveformInput WaveformDialog::input() const {
    WaveformInput out = input_;
    if (order_ != nullptr && order_->currentData().toInt() != 0) {
        out.orders[scheme_.type] = order_->currentData().toInt();
    } else {
        out.orders.erase(scheme_.type);
    }
    std::size_t k = 0;
    for (const WaveformParameter& parameter : scheme_.parameters) {
        const QString text = values_[k++]->text();
        if (text.isEmpty()) {
            out.values.erase(std::string(parameter.name));
        } else {
            out.values[std::string(parameter.name)] = text.toStdU16String();
        }
    }
    if (message_ != nullptr) {
        out.message = message_->text().toStdU16String();
    }
    if (sideband_ != nullptr) {
        out.lowerSideband = sideband_->currentIndex() == 1;
    }
    return out;
}

}  // namespace quorvel
