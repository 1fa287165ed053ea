#include "controls/enhedit.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QImage>
#include <QMenu>
#include <QTest>
#include <QWidget>
#include <cmath>
#include <functional>
#include <vector>

#include "settings/numbersettings.h"
#include "tests/gui/guitest.h"

namespace quenby::test {

using namespace gui;
namespace {

platform::NumberFormat EnglishSeparators() {
    return {".", ",", "$", 0, 0, 2};
}

platform::NumberFormat GermanSeparators() {
    return {",", ".", "EUR", 3, 8, 2};
}

class EnhancedEditTest : public testing::Test {
protected:
    void SetUp() override { NumberSettings() = EnglishSeparators(); }
    void TearDown() override { ResetNumberSettings(); }
};

// A form of three numeric edits in tab order, shown and active, so that
// focus changes and their reasons are real.
class ThreeEditForm {
public:
    ThreeEditForm() {
        for (int i = 0; i < 3; ++i) {
            auto* edit = new TEnhancedEdit(&m_form);
            edit->setGeometry(10, 10 + 40 * i, 200, 30);
            m_edits.push_back(edit);
        }
        m_form.resize(240, 140);
        m_form.show();
        QApplication::setActiveWindow(&m_form);
        m_active = QTest::qWaitForWindowActive(&m_form);
    }

    bool Active() const { return m_active; }
    TEnhancedEdit* operator[](int index) const { return m_edits[static_cast<std::size_t>(index)]; }

private:
    QWidget m_form;
    std::vector<TEnhancedEdit*> m_edits;
    bool m_active = false;
};

TEST_F(EnhancedEditTest, EdgeCases) {
    using Act = std::function<void(TEnhancedEdit&)>;
    const auto typing = [](const char* keys, bool acceptChars, int digits = 2) -> Act {
        return [=](TEnhancedEdit& edit) {
            // A new Digits rewrites the text; typing starts from nothing.
            edit.SetDigits(static_cast<quint8>(digits));
            edit.Clear();
            edit.SetAcceptChars(acceptChars);
            QTest::keyClicks(&edit, QString::fromLatin1(keys));
        };
    };
    const auto setValue = [](std::vector<double> values) -> Act {
        return [=](TEnhancedEdit& edit) {
            for (const double value : values) {
                edit.SetValue(value);
            }
        };
    };
    const struct {
        const char* situation;
        bool german;
        Act act;
        const char* text;
        double value;
        qint32 valueInt;
    } rows[] = {
        {"new control, Value 0", false, setValue({0}), "", 0, 0},
        {"Value 5, then 0", false, setValue({5, 0}), "0.00", 0, 0},
        {"Value -1234.5", false, setValue({-1234.5}), "-1,234.50", -1234.5, -1234},
        {"ValueInt 7", false, [](TEnhancedEdit& edit) { edit.SetValueInt(7); }, "7.00", 7, 7},
        {"Value 123456789", false, setValue({123456789}), "1.2345679E08", 123456790, 123456790},
        {"Value 1234.567", false, setValue({1234.567}), "1,234.57", 1234.57, 1234},
        {"then 1234.5699", false, setValue({1234.567, 1234.5699}), "1,234.57", 1234.5699, 1234},
        {"filtered 12.345", false, typing("12.345", false), "12.34", 12.34, 12},
        {"filtered 1a2", false, typing("1a2", false), "12", 12, 12},
        {"filtered 1.2.3", false, typing("1.2.3", false), "12.3", 12.3, 12},
        {"filtered 1,5", false, typing("1,5", false), "1,5", 15, 15},
        {"filtered, Digits 0", false, typing("1.2345", false, 0), "1.2345", 1.2345, 1},
        {"abc", false, typing("abc", true), "abc", 0, 0},
        {"2e3", false, typing("2e3", true), "2e3", 2000, 2000},
        {"-2.7", false, typing("-2.7", true), "-2.7", -2.7, -2},
        {"3000000000", false, typing("3000000000", true), "3000000000", 3e9, -1294967296},
        {"1e18", false, typing("1e18", true), "1e18", 1e18, -1486618624},
        {"1e19", false, typing("1e19", true), "1e19", 0, 0},
        {"lone minus", false, typing("-", true), "-", 0, 0},
        {"Clear on 5.00", false,
         [](TEnhancedEdit& edit) {
             edit.SetValue(5);
             edit.Clear();
         },
         "", 0, 0},
        {"currency -1234.5", false,
         [](TEnhancedEdit& edit) {
             edit.SetFormat(ffCurrency);
             edit.SetValue(-1234.5);
         },
         "($1,234.50)", -1234.5, -1234},
        {"German 1234.5", true, setValue({1234.5}), "1.234,50", 1234.5, 1234},
        {"German -1234.5", true, setValue({-1234.5}), "-1.234,50", -1234.5, -1234},
        {"German 0.5", true, setValue({0.5}), "0,50", 0.5, 0},
        {"German 123456789", true, setValue({123456789}), "1,2345679E08", 123456790, 123456790},
        {"German filtered 12,345", true, typing("12,345", false), "12,34", 12.34, 12},
        {"German filtered 1,2,3", true, typing("1,2,3", false), "12,3", 12.3, 12},
        {"German filtered 1.5", true, typing("1.5", false), "1.5", 15, 15},
        {"German -2,7", true, typing("-2,7", true), "-2,7", -2.7, -2},
    };
    for (const auto& row : rows) {
        NumberSettings() = row.german ? GermanSeparators() : EnglishSeparators();
        TEnhancedEdit edit;
        row.act(edit);
        EXPECT_EQ(edit.text(), QString::fromLatin1(row.text)) << row.situation;
        EXPECT_DOUBLE_EQ(edit.Value(), row.value) << row.situation;
        EXPECT_EQ(edit.ValueInt(), row.valueInt) << row.situation;
    }
}

TEST_F(EnhancedEditTest, InitialPropertiesAndStoreProperty) {
    TEnhancedEdit edit;
    EXPECT_TRUE(edit.AcceptChars());
    EXPECT_EQ(edit.Alignment(), taLeftJustify);
    EXPECT_EQ(edit.Digits(), 2);
    EXPECT_FALSE(edit.ExitOnEnterKey());
    EXPECT_EQ(edit.Format(), ffNumber);
    EXPECT_TRUE(edit.GrayDisabled());
    EXPECT_EQ(edit.Precision(), 8);
    EXPECT_FALSE(edit.UndoOnEscKey());
    EXPECT_EQ(edit.text(), QString());
    // The control-state store reads and writes the number by property name.
    ASSERT_TRUE(edit.setProperty("Value", 1.5));
    EXPECT_EQ(edit.text(), QStringLiteral("1.50"));
    EXPECT_EQ(edit.property("Value").toDouble(), 1.5);
    edit.SetAlignment(taRightJustify);
    EXPECT_TRUE(edit.alignment() & Qt::AlignRight);
    edit.SetAlignment(taCenter);
    EXPECT_TRUE(edit.alignment() & Qt::AlignHCenter);
}

TEST_F(EnhancedEditTest, FormatSettersRewriteTheText) {
    TEnhancedEdit edit;
    edit.SetValue(1234.5);
    edit.SetFormat(ffFixed);
    EXPECT_EQ(edit.text(), QStringLiteral("1234.50"));
    edit.SetDigits(3);
    EXPECT_EQ(edit.text(), QStringLiteral("1234.500"));
    edit.SetPrecision(3);
    EXPECT_EQ(edit.text(), QStringLiteral("1.23E003"));
    EXPECT_DOUBLE_EQ(edit.Value(), 1230);
    edit.SetPrecision(8);
    edit.SetDigits(0);
    EXPECT_EQ(edit.text(), QStringLiteral("1230"));
    edit.SetFormat(ffExponent);
    EXPECT_EQ(edit.text(), QStringLiteral("1.2300000E+3"));
    // The filter takes the exponent's "E" and "+" away.
    edit.SetAcceptChars(false);
    EXPECT_EQ(edit.text(), QStringLiteral("1.23000003"));
    edit.SetValue(std::nan(""));
    EXPECT_EQ(edit.text(), QString());
    EXPECT_EQ(edit.Value(), 0);
}

TEST_F(EnhancedEditTest, FilteredLetterRaisesTwoChangesWithTheFinalNumber) {
    TEnhancedEdit edit;
    edit.SetAcceptChars(false);
    QTest::keyClicks(&edit, QStringLiteral("12"));
    std::vector<std::pair<QString, double>> changes;
    QObject::connect(&edit, &TEnhancedEdit::OnChange, &edit,
                     [&] { changes.emplace_back(edit.text(), edit.Value()); });
    QTest::keyClick(&edit, 'x');
    ASSERT_EQ(changes.size(), 2u);
    for (const auto& [text, value] : changes) {
        EXPECT_EQ(text, QStringLiteral("12"));
        EXPECT_EQ(value, 12);
    }
    changes.clear();
    QTest::keyClick(&edit, '3');
    EXPECT_EQ(changes.size(), 1u);
    changes.clear();
    edit.Clear();
    EXPECT_EQ(changes.size(), 1u);
    changes.clear();
    edit.Clear();
    EXPECT_EQ(changes.size(), 1u);
}

TEST_F(EnhancedEditTest, CaretAfterAFilteredLetter) {
    TEnhancedEdit edit;
    edit.SetAcceptChars(false);
    QTest::keyClicks(&edit, QStringLiteral("1234"));
    edit.setCursorPosition(2);
    QTest::keyClick(&edit, 'a');
    EXPECT_EQ(edit.text(), QStringLiteral("1234"));
    EXPECT_EQ(edit.cursorPosition(), 3);
}

TEST_F(EnhancedEditTest, EnterMovesOnOnlyWhenAsked) {
    ThreeEditForm form;
    ASSERT_TRUE(form.Active());
    form[1]->setFocus(Qt::OtherFocusReason);
    QTest::keyClicks(form[1], QStringLiteral("12"));
    QTest::keyClick(form[1], Qt::Key_Return);
    EXPECT_TRUE(form[1]->hasFocus());
    EXPECT_EQ(form[1]->text(), QStringLiteral("12"));

    form[1]->SetExitOnEnterKey(true);
    QTest::keyClick(form[1], Qt::Key_Enter, Qt::ShiftModifier);
    EXPECT_TRUE(form[2]->hasFocus());
    EXPECT_EQ(form[1]->text(), QStringLiteral("12"));

    // A key hook that drops Enter also keeps the focus where it is.
    form[2]->SetExitOnEnterKey(true);
    form[2]->SetOnKeyPress([](TEnhancedEdit*, char16_t& key) {
        if (key == 13) {
            key = 0;
        } else if (key == u'x') {
            key = u'5';
        }
    });
    QTest::keyClick(form[2], Qt::Key_Return);
    EXPECT_TRUE(form[2]->hasFocus());
    QTest::keyClick(form[2], 'x');
    EXPECT_EQ(form[2]->text(), QStringLiteral("5"));
}

TEST_F(EnhancedEditTest, EscapeRestoresTheTextOfFocusEntry) {
    ThreeEditForm form;
    ASSERT_TRUE(form.Active());
    form[0]->SetValue(3);
    form[0]->SetUndoOnEscKey(true);
    // The first control took the focus when the form came up; enter it anew.
    form[1]->setFocus(Qt::OtherFocusReason);
    form[0]->setFocus(Qt::OtherFocusReason);
    form[0]->end(false);
    QTest::keyClicks(form[0], QStringLiteral("75"));
    EXPECT_DOUBLE_EQ(form[0]->Value(), 3.0075);
    QTest::keyClick(form[0], Qt::Key_Escape);
    EXPECT_EQ(form[0]->text(), QStringLiteral("3.00"));
    EXPECT_EQ(form[0]->Value(), 3);

    // Back from a context menu the control keeps what it had at entry.
    QTest::keyClick(form[0], '1');
    form[0]->end(true);
    QFocusEvent leave(QEvent::FocusOut, Qt::PopupFocusReason);
    QApplication::sendEvent(form[0], &leave);
    QFocusEvent back(QEvent::FocusIn, Qt::PopupFocusReason);
    QApplication::sendEvent(form[0], &back);
    EXPECT_EQ(form[0]->selectedText(), QString());
    QTest::keyClick(form[0], Qt::Key_Escape);
    EXPECT_EQ(form[0]->text(), QStringLiteral("3.00"));

    form[1]->SetValue(4);
    form[1]->setFocus(Qt::OtherFocusReason);
    form[1]->end(false);
    QTest::keyClick(form[1], '1');
    QTest::keyClick(form[1], Qt::Key_Escape);
    EXPECT_EQ(form[1]->text(), QStringLiteral("4.001"));
}

TEST_F(EnhancedEditTest, FirstEntryByTheWindowsActivationRecordsTheEscapeText) {
    QWidget form;
    auto* edit = new TEnhancedEdit(&form);
    edit->SetValue(3);
    edit->SetUndoOnEscKey(true);
    form.show();
    QApplication::setActiveWindow(&form);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    ASSERT_TRUE(edit->hasFocus());
    edit->end(false);
    QTest::keyClicks(edit, QStringLiteral("75"));
    QTest::keyClick(edit, Qt::Key_Escape);
    EXPECT_EQ(edit->text(), QStringLiteral("3.00"));
}

TEST_F(EnhancedEditTest, AReadOnlyControlTakesNoPasteFromAnyPath) {
    TEnhancedEdit edit;
    edit.setText(QStringLiteral("kept"));
    edit.setReadOnly(true);
    QGuiApplication::clipboard()->setText(QStringLiteral("12"));
    QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(&edit, Qt::Key_Insert, Qt::ShiftModifier);
    edit.HandlePaste();
    EXPECT_EQ(edit.text(), QStringLiteral("kept"));
}

TEST_F(EnhancedEditTest, PasteTakesTheFirstLineOnly) {
    TEnhancedEdit edit;
    edit.setText(QStringLiteral("abc"));
    edit.setCursorPosition(1);
    QGuiApplication::clipboard()->setText(QStringLiteral("12\r\n34"));
    QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit.text(), QStringLiteral("a12bc"));

    edit.setSelection(1, 2);
    QGuiApplication::clipboard()->clear();
    edit.HandlePaste();
    EXPECT_EQ(edit.text(), QStringLiteral("abc"));

    // A text that starts with a control character pastes nothing as well.
    edit.setSelection(0, 1);
    QGuiApplication::clipboard()->setText(QStringLiteral("\tx"));
    QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit.text(), QStringLiteral("bc"));

    // Pasted letters are filtered like typed ones.
    edit.SetAcceptChars(false);
    EXPECT_EQ(edit.text(), QString());
    QGuiApplication::clipboard()->setText(QStringLiteral("1a,5\n9"));
    edit.HandlePaste();
    EXPECT_EQ(edit.text(), QStringLiteral("1,5"));
    EXPECT_EQ(edit.Value(), 15);
}

TEST_F(EnhancedEditTest, ContextMenuPasteTakesTheFirstLineOnly) {
    TEnhancedEdit edit;
    edit.setText(QStringLiteral("ab"));
    edit.setCursorPosition(1);
    QGuiApplication::clipboard()->setText(QStringLiteral("7\n8"));
    QContextMenuEvent request(QContextMenuEvent::Mouse, QPoint(2, 2), QPoint(2, 2));
    QApplication::sendEvent(&edit, &request);
    auto* menu = edit.findChild<QMenu*>();
    ASSERT_NE(menu, nullptr);
    QAction* paste = nullptr;
    for (QAction* action : menu->actions()) {
        if (action->text().endsWith(
                QKeySequence(QKeySequence::Paste).toString(QKeySequence::NativeText))) {
            paste = action;
        }
    }
    ASSERT_NE(paste, nullptr);
    paste->trigger();
    menu->close();
    EXPECT_EQ(edit.text(), QStringLiteral("a7b"));
}

TEST_F(EnhancedEditTest, TabEntrySelectsAllAClickDoesNot) {
    ThreeEditForm form;
    ASSERT_TRUE(form.Active());
    form[1]->SetValue(123);
    form[0]->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(form[0], Qt::Key_Tab);
    ASSERT_TRUE(form[1]->hasFocus());
    EXPECT_EQ(form[1]->selectedText(), QStringLiteral("123.00"));

    form[2]->SetValue(456);
    QTest::mouseClick(form[2], Qt::LeftButton, {}, QPoint(10, 15));
    ASSERT_TRUE(form[2]->hasFocus());
    EXPECT_FALSE(form[2]->hasSelectedText());

    form[0]->SetValue(7);
    form[0]->SetAutoSelect(false);
    QTest::keyClick(form[2], Qt::Key_Tab);
    ASSERT_TRUE(form[0]->hasFocus());
    EXPECT_FALSE(form[0]->hasSelectedText());
}

TEST_F(EnhancedEditTest, LeavingByTabDoesNotReformat) {
    ThreeEditForm form;
    ASSERT_TRUE(form.Active());
    form[0]->setFocus(Qt::OtherFocusReason);
    QTest::keyClicks(form[0], QStringLiteral("1234.5"));
    QTest::keyClick(form[0], Qt::Key_Tab);
    ASSERT_TRUE(form[1]->hasFocus());
    EXPECT_EQ(form[0]->text(), QStringLiteral("1234.5"));
    EXPECT_EQ(form[0]->Value(), 1234.5);
}

// The darkest and rightmost pixels of the text inside the frame.
struct TextPixels {
    int Count = 0;
    int Right = -1;
    bool OnlyBlendsOf(QColor ink, QColor paper, const QImage& image, QRect inner) const {
        for (int y = inner.top(); y <= inner.bottom(); ++y) {
            for (int x = inner.left(); x <= inner.right(); ++x) {
                const QColor c = image.pixelColor(x, y);
                if (c == paper) {
                    continue;
                }
                // A blend of the two has its channels between theirs in step.
                const double t =
                    (paper.green() - c.green()) / static_cast<double>(paper.green() - ink.green());
                const double red = paper.red() + t * (ink.red() - paper.red());
                if (std::abs(red - c.red()) > 3 || std::abs(c.green() - c.blue()) > 3) {
                    return false;
                }
            }
        }
        return true;
    }
};

TEST_F(EnhancedEditTest, DisabledControlPaintsTextInTheWindowTextColour) {
    const QPalette original = QApplication::palette();
    QPalette system = original;
    const QColor windowText(170, 0, 0);
    system.setColor(QPalette::WindowText, windowText);
    QApplication::setPalette(system);

    QWidget form;
    auto* edit = new TEnhancedEdit(&form);
    QFont font = edit->font();
    font.setPixelSize(28);
    font.setBold(true);
    edit->setFont(font);
    edit->setGeometry(0, 0, 260, 44);
    QPalette own = edit->palette();
    own.setColor(QPalette::Base, Qt::white);
    own.setColor(QPalette::Text, Qt::blue);
    own.setColor(QPalette::Disabled, QPalette::Text, Qt::green);
    edit->setPalette(own);
    edit->SetValue(888);
    edit->SetAlignment(taRightJustify);
    edit->setEnabled(false);

    const auto render = [&] {
        QImage image(edit->size(), QImage::Format_ARGB32);
        image.fill(Qt::white);
        edit->render(&image);
        return image;
    };
    const int frame = edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, edit);
    const QRect inner = edit->rect().adjusted(frame + 1, frame + 1, -frame - 1, -frame - 1);
    const auto measure = [&](const QImage& image, QColor ink) {
        TextPixels pixels;
        for (int y = inner.top(); y <= inner.bottom(); ++y) {
            for (int x = inner.left(); x <= inner.right(); ++x) {
                if (image.pixelColor(x, y) == ink) {
                    ++pixels.Count;
                    pixels.Right = std::max(pixels.Right, x);
                }
            }
        }
        return pixels;
    };

    edit->SetGrayDisabled(false);
    const QImage self = render();
    const TextPixels text = measure(self, windowText);
    EXPECT_GT(text.Count, 20);
    EXPECT_TRUE(text.OnlyBlendsOf(windowText, Qt::white, self, inner));
    // Right-aligned, the text ends one pixel and the left margin (Qt's two
    // pixels plus the inset of one) before the client area's right edge.
    const int clientRight = edit->width() - frame;
    const int end = clientRight - (2 + 1) - 1;
    EXPECT_LE(text.Right, end);
    EXPECT_GE(text.Right, end - 4);

    // A flat frame: one pixel in the shadow colour, the text still ungreyed.
    edit->SetCtl3D(false);
    const QImage flat = render();
    EXPECT_EQ(flat.pixel(0, edit->height() / 2), system.color(QPalette::Shadow).rgb());
    EXPECT_EQ(flat.pixelColor(1, edit->height() / 2), QColor(Qt::white));
    EXPECT_GT(measure(flat, windowText).Count, 20);

    // Greyed by the platform, none of the text is in the window-text colour.
    edit->SetGrayDisabled(true);
    EXPECT_EQ(measure(render(), windowText).Count, 0);
    QApplication::setPalette(original);
}

}  // namespace
}  // namespace quenby::test
