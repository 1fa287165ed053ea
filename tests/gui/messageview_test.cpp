#include "windows/messageview.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QScrollBar>
#include <QTest>

#include "tests/gui/guitest.h"

namespace quenby::test {

using namespace gui;
namespace {

using Position = TMessageView::Position;

class MessageViewTest : public testing::Test {
protected:
    void SetUp() override {
        QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        fixed.setPixelSize(15);
        view.setFont(fixed);
        view.resize(400, 200);
        view.SetLines(QStringList{QStringLiteral("first line"), QStringLiteral("second"), QString(),
                                  QStringLiteral("fourth and last")});
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
        view.setFocus();
    }

    // The point in the viewport where a column of a line begins.
    QPoint PointOf(int line, int column) const {
        const QFontMetrics metrics(view.font());
        const int x = 4 + metrics.horizontalAdvance(view.Lines()[line].left(column)) -
                      view.horizontalScrollBar()->value();
        const int y =
            (line - view.FirstVisibleLine()) * metrics.lineSpacing() + metrics.lineSpacing() / 2;
        return {x + 1, y};
    }

    TMessageView view;
};

TEST_F(MessageViewTest, MouseSelectsAcrossLines) {
    QTest::mousePress(view.viewport(), Qt::LeftButton, {}, PointOf(0, 6));
    QTest::mouseMove(view.viewport(), PointOf(1, 3));
    // QTest moves carry no pressed button; send the drag itself.
    QMouseEvent drag(QEvent::MouseMove, PointOf(1, 3), view.viewport()->mapToGlobal(PointOf(1, 3)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view.viewport(), &drag);
    QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, PointOf(1, 3));
    EXPECT_EQ(view.SelectedText(), QStringLiteral("line\nsec"));

    // Shift+click extends from the same anchor; a plain click drops it.
    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::ShiftModifier, PointOf(3, 6));
    EXPECT_EQ(view.SelectedText(), QStringLiteral("line\nsecond\n\nfourth"));
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, PointOf(1, 2));
    EXPECT_FALSE(view.HasSelection());
    EXPECT_EQ(view.Cursor(), (Position{1, 2}));

    QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, PointOf(3, 9));
    EXPECT_EQ(view.SelectedText(), QStringLiteral("and"));
    // Below the last line means the last line.
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, QPoint(390, 190));
    EXPECT_EQ(view.Cursor(), (Position{3, 15}));
}

TEST_F(MessageViewTest, KeyboardSelectsAndCopies) {
    QApplication::clipboard()->setText(QStringLiteral("untouched"));
    QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("untouched"));

    QTest::keyClick(&view, Qt::Key_End, Qt::ShiftModifier);
    EXPECT_EQ(view.SelectedText(), QStringLiteral("first line"));
    QTest::keyClick(&view, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(view.SelectedText(), QStringLiteral("first line\nsecond"));
    QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("first line\nsecond"));

    QTest::keyClick(&view, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(view.SelectedText(), QStringLiteral("first line\nsecond\n\nfourth and last"));
    QTest::keyClick(&view, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_FALSE(view.HasSelection());
    EXPECT_EQ(view.Cursor(), (Position{0, 0}));
    // Left at the start and right at the end stay put; right at a line's
    // end goes to the next line.
    QTest::keyClick(&view, Qt::Key_Left);
    EXPECT_EQ(view.Cursor(), (Position{0, 0}));
    QTest::keyClick(&view, Qt::Key_End);
    QTest::keyClick(&view, Qt::Key_Right);
    EXPECT_EQ(view.Cursor(), (Position{1, 0}));
    QTest::keyClick(&view, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(&view, Qt::Key_Right);
    EXPECT_EQ(view.Cursor(), (Position{3, 15}));
    // Going up keeps the column where the line is long enough.
    QTest::keyClick(&view, Qt::Key_Up);
    EXPECT_EQ(view.Cursor(), (Position{2, 0}));
    // Typing changes nothing: the view is read-only.
    QTest::keyClicks(&view, QStringLiteral("xyz"));
    QTest::keyClick(&view, Qt::Key_Backspace);
    QTest::keyClick(&view, Qt::Key_Delete);
    EXPECT_EQ(view.Lines().size(), 4);
    EXPECT_EQ(view.Lines()[0], QStringLiteral("first line"));
}

TEST_F(MessageViewTest, ScrollsToTheCursorAndAcrossLongLines) {
    QStringList lines;
    for (int i = 0; i < 1000; ++i) {
        lines << QStringLiteral("line %1").arg(i);
    }
    lines[500] = QString(40000, QLatin1Char('w')) + QStringLiteral("END");
    view.SetLines(lines);
    EXPECT_EQ(view.FirstVisibleLine(), 0);
    EXPECT_EQ(view.verticalScrollBar()->maximum(), 1000 - view.VisibleLineCount());
    EXPECT_GT(view.horizontalScrollBar()->maximum(),
              40000 * QFontMetrics(view.font()).horizontalAdvance(QLatin1Char('w')) - 500);
    QTest::keyClick(&view, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(view.FirstVisibleLine(), 1000 - view.VisibleLineCount());
    QTest::keyClick(&view, Qt::Key_PageUp);
    EXPECT_EQ(view.Cursor().Line, 999 - view.VisibleLineCount());
    view.SetSelection({500, 40000}, {500, 40003});
    EXPECT_EQ(view.SelectedText(), QStringLiteral("END"));
    // The long line's end is in sight.
    EXPECT_GT(view.horizontalScrollBar()->value(), 0);
    EXPECT_LE(view.FirstVisibleLine(), 500);
    EXPECT_GT(view.FirstVisibleLine() + view.VisibleLineCount(), 500);
    // Out-of-range positions are pulled back into the text.
    view.SetSelection({-5, -5}, {5000, 5});
    EXPECT_EQ(view.Anchor(), (Position{0, 0}));
    EXPECT_EQ(view.Cursor(), (Position{999, 5}));
    view.Clear();
    EXPECT_FALSE(view.HasSelection());
    EXPECT_EQ(view.verticalScrollBar()->maximum(), 0);
    EXPECT_EQ(view.horizontalScrollBar()->maximum(), 0);
    view.SelectAll();
    QTest::keyClick(&view, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(view.SelectedText(), QString());
}

TEST(MessageLinesTest, KeepsEveryLineAcrossBlocksAndFindsTheLongest) {
    // One, two, three and four bytes a character; the last takes two UTF-16
    // units, so its line is the longest though the others have more bytes.
    const QStringList samples = {QStringLiteral("plain"), QStringLiteral("ünïcödé"),
                                 QStringLiteral("€✓€✓"), QStringLiteral("𝄞𝄞𝄞𝄞𝄞𝄞𝄞𝄞"), QString()};
    QStringList lines;
    for (int i = 0; i < 9000; ++i) {
        lines << samples[i % samples.size()] + QString::number(i % 10);
    }
    lines[5003] = samples[3] + samples[3];
    const TMessageLines kept(lines);
    EXPECT_EQ(kept.size(), lines.size());
    EXPECT_EQ(kept.ToStringList(), lines);
    EXPECT_EQ(kept.Longest(), 5003);
    EXPECT_EQ(kept.Utf8Size(), lines.join(QString()).toUtf8().size());
    EXPECT_EQ(TMessageLines().Longest(), -1);
}

}  // namespace
}  // namespace quenby::test
