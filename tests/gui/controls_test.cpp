#include <gtest/gtest.h>

#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>
#include <QWidget>

#include "base/datetime.h"
#include "controls/enhedit.h"
#include "controls/jampathedit.h"
#include "controls/jamshelltree.h"
#include "controls/stdcontrols.h"
#include "tests/gui/guitest.h"
#include "tests/support/tempfolder.h"

namespace quenby::test {

using namespace gui;
namespace {

// The settings store tells the kinds apart by class alone, so the class tree
// itself is what must hold.
TEST(ControlClassesTest, RelationsTheSettingsStoreRelyOn) {
    QWidget form;
    auto* edit = new TEdit(&form);
    auto* numeric = new TEnhancedEdit(&form);
    auto* labeled = new TLabeledEdit(&form);
    auto* path = new TJamPathEdit(&form);
    auto* list = new TListBox(&form);
    auto* checks = new TCheckListBox(&form);
    auto* tree = new TJamShellTree(&form);

    EXPECT_NE(qobject_cast<TEdit*>(edit), nullptr);
    EXPECT_NE(qobject_cast<TEdit*>(numeric), nullptr);
    EXPECT_EQ(qobject_cast<TEdit*>(labeled), nullptr);
    EXPECT_EQ(qobject_cast<TEnhancedEdit*>(edit), nullptr);
    EXPECT_EQ(qobject_cast<TListBox*>(checks), nullptr);
    EXPECT_EQ(qobject_cast<TCheckListBox*>(list), nullptr);
    EXPECT_NE(qobject_cast<TCustomListBox*>(checks), nullptr);
    EXPECT_EQ(qobject_cast<QLineEdit*>(path), nullptr);
    // The path edit's inner edit is no control kind of its own.
    const auto inner = path->findChildren<QLineEdit*>();
    ASSERT_EQ(inner.size(), 1);
    EXPECT_EQ(qobject_cast<TCustomEdit*>(inner[0]), nullptr);
    EXPECT_EQ(qobject_cast<QLineEdit*>(tree), nullptr);
    // Every edit-like control of the form, inner ones included.
    EXPECT_EQ(form.findChildren<TCustomEdit*>().size(), 3);
    EXPECT_EQ(form.findChildren<TEdit*>().size(), 2);
}

TEST(ControlClassesTest, ComboBoxTextAndItemIndex) {
    TComboBox list;
    list.addItems({QStringLiteral("-"), QStringLiteral("."), QStringLiteral("_")});
    list.SetItemIndex(0);
    EXPECT_EQ(list.Text(), QStringLiteral("-"));
    EXPECT_EQ(list.ItemIndex(), 0);
    list.SetText(QStringLiteral("_"));
    EXPECT_EQ(list.ItemIndex(), 2);
    // A drop-down list cannot show a text none of its items carries.
    list.SetText(QStringLiteral("#"));
    EXPECT_EQ(list.ItemIndex(), 2);
    EXPECT_EQ(list.Text(), QStringLiteral("_"));
    for (int outside : {3, 99, -2}) {
        list.SetItemIndex(outside);
        EXPECT_EQ(list.ItemIndex(), -1) << outside;
        EXPECT_EQ(list.Text(), QString()) << outside;
    }
    list.SetItemIndex(-1);
    EXPECT_EQ(list.ItemIndex(), -1);

    TComboBox editable;
    editable.setEditable(true);
    editable.addItems({QStringLiteral("one"), QStringLiteral("two")});
    editable.SetText(QStringLiteral("typed"));
    EXPECT_EQ(editable.Text(), QStringLiteral("typed"));
}

TEST(ControlClassesTest, RadioGroupItemIndexClampsAndFollowsClicks) {
    TRadioGroup group;
    EXPECT_EQ(group.ItemIndex(), -1);
    group.SetItems(
        {QStringLiteral("yyyy-mm-dd"), QStringLiteral("dd-mm-yyyy"), QStringLiteral("d-m-yyyy")});
    EXPECT_EQ(group.Count(), 3);
    EXPECT_EQ(group.ItemIndex(), -1);
    group.SetItemIndex(1);
    EXPECT_EQ(group.ItemIndex(), 1);
    group.SetItemIndex(-1);
    EXPECT_EQ(group.ItemIndex(), -1);
    group.SetItemIndex(7);
    EXPECT_EQ(group.ItemIndex(), 2);
    group.SetItemIndex(-5);
    EXPECT_EQ(group.ItemIndex(), -1);

    group.SetItemText(0, QStringLiteral("jjjj-mm-tt"));
    EXPECT_EQ(group.Items().front(), QStringLiteral("jjjj-mm-tt"));

    std::vector<int> seen;
    QObject::connect(&group, &TRadioGroup::ItemIndexChanged, &group,
                     [&](int index) { seen.push_back(index); });
    group.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&group));
    auto buttons = group.findChildren<QRadioButton*>();
    ASSERT_EQ(buttons.size(), 3);
    QTest::mouseClick(buttons[2], Qt::LeftButton);
    EXPECT_EQ(group.ItemIndex(), 2);
    EXPECT_EQ(seen, std::vector<int>{2});

    // New items drop the old buttons and the choice.
    group.SetItems({QStringLiteral("a")});
    EXPECT_EQ(group.findChildren<QRadioButton*>().size(), 1);
    EXPECT_EQ(group.ItemIndex(), -1);
}

TEST(ControlClassesTest, ListBoxesIndexAndCheckStates) {
    TListBox list;
    EXPECT_EQ(list.ItemIndex(), -1);
    list.SetItemIndex(0);  // still empty
    EXPECT_EQ(list.ItemIndex(), -1);
    list.addItems({QStringLiteral("/a"), QStringLiteral("/b")});
    list.SetItemIndex(1);
    EXPECT_EQ(list.ItemIndex(), 1);
    EXPECT_TRUE(list.item(1)->isSelected());
    list.SetItemIndex(5);
    EXPECT_EQ(list.ItemIndex(), -1);
    EXPECT_TRUE(list.selectedItems().isEmpty());

    TCheckListBox checks;
    for (const char* text : {"one", "two", "three"}) {
        checks.AddItem(QLatin1String(text));
    }
    EXPECT_EQ(checks.Count(), 3);
    checks.SetChecked(1, true);
    EXPECT_FALSE(checks.Checked(0));
    EXPECT_TRUE(checks.Checked(1));
    // Items it does not hold are never set and read as unchecked.
    checks.SetChecked(4, true);
    checks.SetChecked(-1, true);
    EXPECT_FALSE(checks.Checked(4));
    EXPECT_EQ(checks.Count(), 3);
    checks.SetChecked(1, false);
    EXPECT_FALSE(checks.Checked(1));
}

TEST(ControlClassesTest, CheckBoxMenuItemTrackBar) {
    TCheckBox box(QStringLiteral("delete"));
    box.SetChecked(true);
    EXPECT_TRUE(box.Checked());
    box.SetChecked(false);
    EXPECT_FALSE(box.Checked());

    TMenuItem item(QStringLiteral("Option"));
    EXPECT_FALSE(item.Checked());
    item.SetChecked(true);
    EXPECT_TRUE(item.Checked());
    EXPECT_TRUE(item.isCheckable());
    item.SetChecked(false);
    EXPECT_FALSE(item.Checked());

    TTrackBar bar;
    bar.setRange(0, 50);
    bar.SetPosition(42);
    EXPECT_EQ(bar.Position(), 42);
    bar.SetPosition(80);
    EXPECT_EQ(bar.Position(), 50);
}

TEST(ControlClassesTest, DateTimeDayCountRoundTrips) {
    struct Row {
        double value;
        QDateTime expected;
    };
    const Row rows[] = {
        {0.0, QDateTime(QDate(1899, 12, 30), QTime(0, 0), Qt::UTC)},
        {2.75, QDateTime(QDate(1900, 1, 1), QTime(18, 0), Qt::UTC)},
        {-1.25, QDateTime(QDate(1899, 12, 29), QTime(6, 0), Qt::UTC)},
        {41762.5, QDateTime(QDate(2014, 5, 3), QTime(12, 0), Qt::UTC)},
        // Just below midnight rounds up to the next day, not to 24:00.
        {41762.9999999999, QDateTime(QDate(2014, 5, 4), QTime(0, 0), Qt::UTC)},
    };
    TDateTimePicker picker;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.value);
        EXPECT_EQ(DateTimeValueToQDateTime(row.value), row.expected);
        picker.SetDateTime(row.value);
        EXPECT_NEAR(picker.DateTime(), std::round(row.value * 86400000.0) / 86400000.0, 1e-9);
        EXPECT_EQ(picker.dateTime(), row.expected);
    }
    picker.SetDateTime(41762.5);
    picker.SetDateTime(std::nan(""));
    EXPECT_DOUBLE_EQ(picker.DateTime(), 41762.5);
    // A time with milliseconds survives the round trip.
    DateTimeValue value = 0;
    ASSERT_TRUE(TryEncodeDate(2020, 2, 29, value));
    double fraction = 0;
    ASSERT_TRUE(TryEncodeTime(23, 59, 59, 999, fraction));
    picker.SetDateTime(value + fraction);
    EXPECT_EQ(picker.dateTime(), QDateTime(QDate(2020, 2, 29), QTime(23, 59, 59, 999), Qt::UTC));
}

TEST(ControlClassesTest, LabeledEditCarriesItsCaption) {
    QWidget form;
    auto* edit = new TLabeledEdit(&form);
    edit->SetLabelText(QStringLiteral("File mask"));
    edit->setGeometry(20, 80, 200, 24);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QLabel* label = edit->EditLabel();
    EXPECT_EQ(label->parentWidget(), &form);
    EXPECT_EQ(label->text(), QStringLiteral("File mask"));
    EXPECT_TRUE(label->isVisible());
    EXPECT_EQ(label->x(), 20);
    EXPECT_LT(label->y() + label->height(), 80 + 1);
    edit->move(40, 120);
    EXPECT_EQ(label->x(), 40);
    edit->hide();
    EXPECT_FALSE(label->isVisible());
    delete edit;
    EXPECT_TRUE(form.findChildren<QLabel*>().isEmpty());
}

TEST(ControlClassesTest, PathEditPathBrowseAndFont) {
    TempFolder folder;
    QWidget form;
    QFont font(QStringLiteral("Sans"));
    font.setPixelSize(21);
    form.setFont(font);
    auto* edit = new TJamPathEdit(&form);
    edit->setObjectName(QStringLiteral("rootdir"));
    EXPECT_EQ(edit->Path(), QString());
    edit->SetPath(QStringLiteral("  not checked / any text "));
    EXPECT_EQ(edit->Path(), QStringLiteral("  not checked / any text "));
    EXPECT_EQ(edit->Edit()->font().pixelSize(), 21);
    EXPECT_GE(edit->sizeHint().height(), edit->Edit()->sizeHint().height());

    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    {
        FolderAnswers cancel(std::nullopt);
        QTest::mouseClick(edit->BrowseButton(), Qt::LeftButton);
        ASSERT_EQ(cancel.Requests().size(), 1u);
        EXPECT_TRUE(cancel.Requests()[0].StartFolder.isEmpty());
        EXPECT_EQ(edit->Path(), QStringLiteral("  not checked / any text "));
    }
    edit->SetPath(QString::fromStdString(folder.Path()));
    const QString chosen = QString::fromStdString(folder / "target");
    {
        FolderAnswers answers(chosen);
        QTest::mouseClick(edit->BrowseButton(), Qt::LeftButton);
        ASSERT_EQ(answers.Requests().size(), 1u);
        EXPECT_EQ(answers.Requests()[0].StartFolder, QString::fromStdString(folder.Path()));
    }
    EXPECT_EQ(edit->Path(), chosen);
    // Typing goes straight into the path.
    edit->Edit()->clear();
    QTest::keyClicks(edit->Edit(), QStringLiteral("/typed/path"));
    EXPECT_EQ(edit->Path(), QStringLiteral("/typed/path"));
}

}  // namespace
}  // namespace quenby::test
