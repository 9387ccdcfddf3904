// The main window at start-up: every control of the table where the table puts it, with its ID,
// content, list items, selection and enable state.

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionComboBox>

#include "app/ControlTable.h"
#include "app/widgets/ApplicationState.h"
#include "app/widgets/ControlPanel.h"
#include "app/widgets/MainWindow.h"
#include "gui/support/GuiTestSupport.h"

namespace quorvel {
namespace {

using testing_support::findControl;
using testing_support::RecordingPresenter;

QString fromView(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QRect toQRect(const Rect& r) {
    return {r.x, r.y, r.width, r.height};
}

class StartUpTest : public ::testing::Test {
  protected:
    RecordingPresenter messages;
    ApplicationState state;
    MainWindow window{state, &messages};
};

TEST_F(StartUpTest, WindowIsTheTitledMainWindowWithoutMenu) {
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Quorvel"));
    EXPECT_EQ(window.size(), QSize(600, 800));
    EXPECT_EQ(window.findChild<QMenuBar*>(), nullptr);
    EXPECT_FALSE(window.windowIcon().isNull());
}

TEST_F(StartUpTest, EveryControlCarriesItsIdAndSitsWhereTheTableSays) {
    for (const ControlRow& row : controlTable()) {
        const int id = static_cast<int>(row.id);
        SCOPED_TRACE(id);
        auto* control = findControl<QWidget>(window, id);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(control->property("controlId").toInt(), id);
        EXPECT_EQ(control->isEnabled(), row.enabledAtStart);
        QRect expected = toQRect(row.field);
        if (row.kind == FieldKind::List) {
            expected.setHeight(kClosedListHeight);
        }
        EXPECT_EQ(control->geometry(), expected);
    }
}

TEST_F(StartUpTest, EveryLabelSitsLeftOfItsField) {
    const QList<QLabel*> labels = window.findChildren<QLabel*>();
    for (const ControlRow& row : controlTable()) {
        if (!row.hasLabel()) {
            continue;
        }
        SCOPED_TRACE(fromView(row.label).toStdString());
        const auto match = std::find_if(labels.begin(), labels.end(), [&](const QLabel* label) {
            return label->text() == fromView(row.label);
        });
        ASSERT_NE(match, labels.end());
        EXPECT_EQ((*match)->geometry(), toQRect(labelRect(row)));
        EXPECT_TRUE((*match)->alignment() & Qt::AlignLeft);
    }
}

TEST_F(StartUpTest, EditFieldsHoldTheirInitialText) {
    for (const ControlRow& row : controlTable()) {
        if (row.kind == FieldKind::Edit) {
            const auto* edit = findControl<QLineEdit>(window, static_cast<int>(row.id));
            ASSERT_NE(edit, nullptr);
            EXPECT_EQ(edit->text(), fromView(row.text));
        }
    }
}

TEST_F(StartUpTest, ListsHoldTheirItemsAndInitialSelection) {
    for (const ControlRow& row : controlTable()) {
        if (row.kind != FieldKind::List) {
            continue;
        }
        const auto* list = findControl<QComboBox>(window, static_cast<int>(row.id));
        ASSERT_NE(list, nullptr);
        ASSERT_EQ(list->count(), static_cast<int>(row.items.size()));
        for (int k = 0; k < list->count(); ++k) {
            EXPECT_EQ(list->itemText(k), fromView(row.items[static_cast<std::size_t>(k)].text));
        }
        EXPECT_EQ(list->currentIndex(), row.initialIndex);
        // Every list opens showing all its items, as the table's open heights allow. The modulation
        // list keeps its open height: the first eight show, the later families scroll into view.
        if (row.id == ControlId::ModulationType) {
            EXPECT_GE(list->maxVisibleItems(), 8);
            EXPECT_LT(list->maxVisibleItems(), list->count());
        } else {
            EXPECT_EQ(list->maxVisibleItems(), list->count());
        }
    }
}

TEST_F(StartUpTest, StartShowsPskQpskAndTheThreeRingRadiiDisabled) {
    EXPECT_EQ(findControl<QComboBox>(window, 103)->currentText(),
              QStringLiteral("1: PSK (Phase-Shift Keying)"));
    EXPECT_EQ(findControl<QComboBox>(window, 104)->currentText(), QStringLiteral("4 (QPSK)"));
    EXPECT_EQ(findControl<QComboBox>(window, 107)->currentText(), QStringLiteral("16 (16-APSK)"));
    EXPECT_EQ(findControl<QLineEdit>(window, 108)->text(), QStringLiteral("0.3 0.7 1.2"));
    EXPECT_FALSE(findControl<QLineEdit>(window, 108)->isEnabled());
}

TEST_F(StartUpTest, CheckBoxAndButtonShowTheirCaptions) {
    const auto* box = findControl<QCheckBox>(window, 117);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), QStringLiteral("Display Sampled Data"));
    EXPECT_FALSE(box->isChecked());
    const auto* button = findControl<QPushButton>(window, 116);
    ASSERT_NE(button, nullptr);
    // "&&" is how a button shows one ampersand rather than underlining the next letter.
    EXPECT_EQ(button->text(), QStringLiteral("Generate Signal && Plot"));
    EXPECT_FALSE(button->isDefault());
    EXPECT_FALSE(button->autoDefault());
}

// What the opened list shows of its items, grabbed at the width it opened with and again
// opened far wider: the two agree left of the narrow one's edge only if no text was shortened.
struct OpenedList {
    int width = 0;
    QImage atOpenedWidth;
    QImage atWideWidth;
};

OpenedList openAndGrab(QComboBox& list) {
    list.showPopup();
    QWidget& popup = *list.view()->window();
    QWidget& inside = *list.view()->viewport();
    OpenedList opened{popup.width(), inside.grab().toImage(), {}};
    popup.resize(600, popup.height());
    QCoreApplication::sendPostedEvents();
    opened.atWideWidth = inside.grab().toImage();
    list.hidePopup();
    return opened;
}

// Every item of every list, chosen, shows whole in the closed list at its stated width: no text
// pixel falls in the last pixels of the field the style gives the text, where a text too long
// for the list (drawn unclipped) would run on.
TEST_F(StartUpTest, ClosedListsShowTheirChosenItemWholeAtTheirStatedWidth) {
    window.show();
    // An item far too long for any list, which must be made smaller and shortened, not cut.
    const QString tooLong =
        QStringLiteral("2048 (2048-QAM) with a tail no list of the panel has room for");
    for (const int id : {103, 104, 105, 106, 107, 118, 119}) {
        auto* list = findControl<QComboBox>(window, id);
        list->setEnabled(true);
        list->addItem(tooLong);
        QStyleOptionComboBox option;
        option.initFrom(list);
        option.subControls = QStyle::SC_All;
        const QRect field = list->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                          QStyle::SC_ComboBoxEditField, list);
        for (int item = 0; item < list->count(); ++item) {
            list->setCurrentIndex(item);
            const QImage image = list->grab().toImage();
            int edgePixels = 0;
            for (int x = field.right() - 2; x <= field.right(); ++x) {
                for (int y = field.top() + 2; y <= field.bottom() - 2; ++y) {
                    edgePixels += qGray(image.pixel(x, y)) < 128 ? 1 : 0;
                }
            }
            EXPECT_EQ(edgePixels, 0) << list->itemText(item).toStdString();
            EXPECT_EQ(list->toolTip(), list->itemText(item));
        }
        list->removeItem(list->count() - 1);
    }
}

TEST_F(StartUpTest, ModulationListOpensThreeHundredPixelsWideTheOthersWideEnoughForTheirItems) {
    window.show();
    auto* modulation = findControl<QComboBox>(window, 103);
    modulation->showPopup();
    EXPECT_EQ(modulation->view()->window()->width(), kModulationDroppedWidth);
    modulation->hidePopup();
    struct Case {
        int id;
        bool widerThanClosed;  // whether its longest item needs more than the closed control
    };
    // "2048 (2048-QAM)" is cut in a 120-pixel list; the other items fit.
    const Case cases[] = {{104, false}, {105, false}, {106, true},
                          {107, false}, {118, false}, {119, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        auto* list = findControl<QComboBox>(window, c.id);
        const QRect closed = list->geometry();
        list->setEnabled(true);
        const OpenedList opened = openAndGrab(*list);
        EXPECT_EQ(opened.width > closed.width(), c.widerThanClosed) << opened.width;
        EXPECT_GE(opened.width, closed.width());
        // The selected row's highlight ends in a border at the right edge.
        const QRect compared(0, 0, opened.atOpenedWidth.width() - 4, opened.atOpenedWidth.height());
        ASSERT_GT(opened.atWideWidth.width(), opened.atOpenedWidth.width());
        EXPECT_EQ(opened.atOpenedWidth.copy(compared), opened.atWideWidth.copy(compared));
        EXPECT_EQ(list->geometry(), closed);
    }
}

TEST(VisibleListRows, OpenHeightMinusTheClosedControlInSixteenPixelRows) {
    struct Case {
        int openHeight;
        int items;
        int rows;
    };
    const Case cases[] = {
        {192, 8, 8}, {96, 4, 4}, {72, 3, 3}, {144, 6, 6},  // the table's lists: all items fit
        {72, 10, 3}, {40, 5, 1}, {24, 5, 1}, {0, 0, 1},    // short lists scroll, at least one row
    };
    for (const Case& c : cases) {
        ControlRow row;
        row.field.height = c.openHeight;
        EXPECT_EQ(visibleListRows(row, c.items), c.rows) << c.openHeight << " " << c.items;
    }
}

}  // namespace
}  // namespace quorvel
