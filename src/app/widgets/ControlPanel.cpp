#include "app/widgets/ControlPanel.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <algorithm>
#include <string_view>

#include "app/widgets/QtText.h"

namespace quorvel {
namespace {

// Button captions treat "&" as a mnemonic marker; doubling it shows the character itself.
QString captionText(std::string_view text) {
    return toQString(text).replace(QLatin1Char('&'), QStringLiteral("&&"));
}

QRect toQRect(const Rect& r) {
    return {r.x, r.y, r.width, r.height};
}

void tagWithId(QWidget& control, ControlId id) {
    const int number = static_cast<int>(id);
    control.setObjectName(QStringLiteral("control%1").arg(number));
    control.setProperty("controlId", number);
}

std::u16string fieldText(const QLineEdit& field) {
    const QString text = field.text().left(static_cast<qsizetype>(kFieldTextLimit));
    return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())};
}

// A drop-down list whose opened list may be wider than the closed control: as wide as the table
// says (the modulation list), or else as wide as its longest item needs, which the order lists'
// narrow controls would cut ("2048 (...8-QAM)").
class WideDropDownList : public QComboBox {
  public:
    // droppedWidth: the opened list's width, or 0 to fit the items [pixels].
    WideDropDownList(int droppedWidth, QWidget* parent)
        : QComboBox(parent), droppedWidth_(droppedWidth) {
        connect(this, &QComboBox::currentIndexChanged, this, [this] { setToolTip(currentText()); });
    }

    // The closed list keeps its stated width; a chosen item that would be cut there is drawn in a
    // smaller font, down to kSmallestPointSize, and only then shortened with an ellipsis. The
    // text is drawn here, a few pixels inside the field, rather than by the style, which clips
    // it a few pixels short of the field it reports.
    void paintEvent(QPaintEvent* /*event*/) override {
        QStylePainter painter(this);
        QStyleOptionComboBox option;
        initStyleOption(&option);
        const QString text = option.currentText;
        option.currentText.clear();
        painter.drawComplexControl(QStyle::CC_ComboBox, option);
        painter.drawControl(QStyle::CE_ComboBoxLabel, option);
        const QRect room = textRect(option);
        QFont shrunk = font();
        const qreal smallest = std::min(kSmallestPointSize, shrunk.pointSizeF());
        while (QFontMetrics(shrunk).horizontalAdvance(text) > room.width() &&
               shrunk.pointSizeF() > smallest) {
            shrunk.setPointSizeF(std::max(smallest, shrunk.pointSizeF() - 0.5));
        }
        painter.setFont(shrunk);
        painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled,
                                       QPalette::ButtonText));
        // Not clipped: the text is made to fit, and one that did not would show it.
        painter.drawText(room, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextDontClip,
                         QFontMetrics(shrunk).elidedText(text, Qt::ElideRight, room.width()));
    }

    void showPopup() override {
        QComboBox::showPopup();
        QWidget* popup = view()->window();
        const int wanted = droppedWidth_ > 0 ? droppedWidth_ : itemsFittingWidth();
        popup->resize(std::max(wanted, width()), popup->height());
    }

    // Where the chosen item's text goes: the style's field, kTextInset pixels in on each side.
    QRect textRect(const QStyleOptionComboBox& option) const {
        return style()
            ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this)
            .adjusted(kTextInset, 0, -kTextInset, 0);
    }

  private:
    static constexpr qreal kSmallestPointSize = 6.5;
    static constexpr int kTextInset = 3;  // [pixels]

    // The width of a closed list that shows its widest item whole, as Qt sizes a list to its
    // contents: the opened list's check-mark column takes the room of the closed list's arrow.
    int itemsFittingWidth() const {
        const QFontMetrics metrics = view()->fontMetrics();
        int widest = 0;
        for (int k = 0; k < count(); ++k) {
            widest = std::max(widest, metrics.horizontalAdvance(itemText(k)));
        }
        QStyleOptionComboBox option;
        initStyleOption(&option);
        return style()
            ->sizeFromContents(QStyle::CT_ComboBox, &option, QSize(widest, metrics.height()), this)
            .width();
    }

    int droppedWidth_;
};

QComboBox* makeList(QWidget& window, const ControlRow& row) {
    const int droppedWidth = row.id == ControlId::ModulationType ? kModulationDroppedWidth : 0;
    auto* list = new WideDropDownList(droppedWidth, &window);
    for (const ListItem& item : row.items) {
        list->addItem(toQString(item.text));
    }
    list->setCurrentIndex(row.initialIndex);
    list->setToolTip(list->currentText());
    list->setGeometry(row.field.x, row.field.y, row.field.width, kClosedListHeight);
    list->setMaxVisibleItems(visibleListRows(row, list->count()));
    return list;
}

}  // namespace

int visibleListRows(const ControlRow& row, int itemCount) {
    const int fitting = (row.field.height - kClosedListHeight) / kListRowHeight;
    return std::clamp(fitting, 1, std::max(itemCount, 1));
}

ControlPanel::ControlPanel(QWidget& window) {
    for (const ControlRow& row : controlTable()) {
        addRow(window, row);
    }
}

void ControlPanel::addRow(QWidget& window, const ControlRow& row) {
    if (row.hasLabel()) {
        auto* label = new QLabel(toQString(row.label), &window);
        label->setGeometry(toQRect(labelRect(row)));
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    }
    QWidget* control = nullptr;
    switch (row.kind) {
        case FieldKind::Edit: {
            auto* edit = new QLineEdit(toQString(row.text), &window);
            edit->setGeometry(toQRect(row.field));
            edits_[row.id] = edit;
            control = edit;
            break;
        }
        case FieldKind::List:
            lists_[row.id] = makeList(window, row);
            control = lists_[row.id];
            break;
        case FieldKind::CheckBox:
            checkBox_ = new QCheckBox(captionText(row.text), &window);
            checkBox_->setGeometry(toQRect(row.field));
            control = checkBox_;
            break;
        case FieldKind::Button:
            button_ = new QPushButton(captionText(row.text), &window);
            button_->setGeometry(toQRect(row.field));
            button_->setAutoDefault(false);
            control = button_;
            break;
    }
    tagWithId(*control, row.id);
    control->setEnabled(row.enabledAtStart);
}

QLineEdit& ControlPanel::edit(ControlId id) const {
    return *edits_.at(id);
}

QComboBox& ControlPanel::list(ControlId id) const {
    return *lists_.at(id);
}

ControlPanelInput ControlPanel::input() const {
    ControlPanelInput in;
    in.symbolRate = fieldText(edit(ControlId::SymbolRate));
    in.samplingRate = fieldText(edit(ControlId::SamplingRate));
    in.apskRadii = fieldText(edit(ControlId::ApskRadii));
    in.symbolCount = fieldText(edit(ControlId::SymbolCount));
    in.snrDb = fieldText(edit(ControlId::SnrDb));
    in.mixingFrequency = fieldText(edit(ControlId::MixingFrequency));
    in.timingError = fieldText(edit(ControlId::TimingError));
    in.frequencyOffset = fieldText(edit(ControlId::FrequencyOffset));
    in.fileCount = fieldText(edit(ControlId::FileCount));
    in.savePath = fieldText(edit(ControlId::SavePath));
    in.modulationIndex = list(ControlId::ModulationType).currentIndex();
    in.pskIndex = list(ControlId::PskOrder).currentIndex();
    in.fskIndex = list(ControlId::FskOrder).currentIndex();
    in.qamIndex = list(ControlId::QamOrder).currentIndex();
    in.apskIndex = list(ControlId::ApskOrder).currentIndex();
    in.dataSourceIndex = list(ControlId::DataSource).currentIndex();
    in.outputFormatIndex = list(ControlId::OutputFormat).currentIndex();
    return in;
}

void ControlPanel::applyOrderControls(const OrderControlState& state) {
    list(ControlId::PskOrder).setEnabled(state.pskListEnabled);
    list(ControlId::FskOrder).setEnabled(state.fskListEnabled);
    list(ControlId::QamOrder).setEnabled(state.qamListEnabled);
    list(ControlId::ApskOrder).setEnabled(state.apskListEnabled);
    edit(ControlId::ApskRadii).setEnabled(state.radiiFieldEnabled);
    if (state.newRadiiText) {
        edit(ControlId::ApskRadii).setText(QString::fromStdString(*state.newRadiiText));
    }
}

}  // namespace quorvel
