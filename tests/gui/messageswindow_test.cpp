#include "windows/messageswindow.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFileInfo>
#include <QFontInfo>
#include <QFontMetrics>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <fstream>

#include "base/stringtable.h"
#include "gui/helpwindow.h"
#include "tests/gui/guitest.h"
#include "tests/support/tempfolder.h"
#include "windows/messageview.h"
#include "windows/rtf.h"

namespace quenby::test {

using namespace gui;
namespace {

MessageList MakeMessages(std::initializer_list<const char*> lines) {
    MessageList messages;
    for (const char* line : lines) {
        messages.Add(line);
    }
    return messages;
}

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// Reads an RTF file back with unrtf, a reader that shares no code with ours;
// its text mode is taught to print Unicode characters as "&#N;".
std::optional<QStringList> ReadRtfWithUnrtf(const std::string& file, const TempFolder& work) {
    const QString unrtf = QStringLiteral(QUENBY_UNRTF);
    if (unrtf.isEmpty() || unrtf.endsWith(QStringLiteral("NOTFOUND"))) {
        return std::nullopt;
    }
    std::string config = ReadFile("/usr/share/unrtf/text.conf");
    config += "unisymbol_print\n\t&#%;\n";
    WriteFile(work / "conf/text.conf", config);
    QProcess process;
    process.start(unrtf,
                  {QStringLiteral("-P"), Q(work / "conf"), QStringLiteral("--text"), Q(file)});
    EXPECT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    const QString output = QString::fromUtf8(process.readAllStandardOutput());
    const qsizetype body = output.indexOf(QStringLiteral("-----------------\n"));
    EXPECT_GE(body, 0) << output.toStdString();
    QString text = output.mid(body + 18);
    // Surrogate halves arrive one entity each and join again here.
    static const QRegularExpression entity(QStringLiteral("&#(-?\\d+);"));
    QString decoded;
    qsizetype last = 0;
    for (auto it = entity.globalMatch(text); it.hasNext();) {
        const auto match = it.next();
        decoded += text.mid(last, match.capturedStart() - last);
        decoded += QChar(static_cast<char16_t>(match.captured(1).toInt()));
        last = match.capturedEnd();
    }
    decoded += text.mid(last);
    if (decoded.endsWith(QLatin1Char('\n'))) {
        decoded.chop(1);
    }
    return decoded.split(QLatin1Char('\n'));
}

class MessagesWindowTest : public testing::Test {
protected:
    TMeldungsformular form;
};

TEST_F(MessagesWindowTest, LayoutNamesCaptionsShortcutsAndImages) {
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Messages"));
    EXPECT_EQ(form.objectName(), QStringLiteral("Meldungsformular"));
    EXPECT_FALSE(form.isVisible());
    auto* erg = form.findChild<TMessageView*>(QStringLiteral("erg"));
    ASSERT_NE(erg, nullptr);
    EXPECT_EQ(erg, form.Erg);
    EXPECT_EQ(erg->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(erg->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    const QFontMetrics metrics(erg->font());
    EXPECT_EQ(metrics.horizontalAdvance(QLatin1Char('i')),
              metrics.horizontalAdvance(QLatin1Char('W')));
    // Lucida Console 15 and Tahoma 13 pixels high at 120 dpi.
    EXPECT_EQ(erg->font().pointSizeF(), 9.0);
    EXPECT_EQ(form.font().pointSizeF(), 8.0);
    EXPECT_EQ(form.findChild<QMenuBar*>(QStringLiteral("MainMenu1")), form.MainMenu1);

    struct Row {
        const char* menu;
        const char* item;
        const char* caption;
        const char* shortcut;
        int image;
    };
    const Row rows[] = {
        {"File1", "SaveMessages1", "&Save Messages", "Ctrl+S", 2},
        {"File1", "Vlose1", "&Close", "Ctrl+F4", 1},
        {"Action1", "ClearText1", "&Clear Text", "", 0},
        {"Action1", "CopytoClipboard1", "&Copy to Clipboard", "Ctrl+V", 3},
        {"Help1", "Help2", "&Help", "F1", 4},
    };
    const QStringList images = TMeldungsformular::ImageList1();
    ASSERT_EQ(images.size(), 5);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.item);
        auto* menu = form.findChild<QMenu*>(QLatin1String(row.menu));
        auto* item = form.findChild<QAction*>(QLatin1String(row.item));
        ASSERT_NE(menu, nullptr);
        ASSERT_NE(item, nullptr);
        EXPECT_TRUE(menu->actions().contains(item));
        EXPECT_EQ(item->text(), QLatin1String(row.caption));
        EXPECT_EQ(item->shortcut(), QKeySequence(QLatin1String(row.shortcut)));
        EXPECT_FALSE(item->icon().isNull());
        const QImage expected(images[row.image]);
        ASSERT_FALSE(expected.isNull());
        EXPECT_EQ(item->icon().pixmap(16, 16).toImage().convertToFormat(expected.format()),
                  expected);
    }
    const QStringList menus = {QStringLiteral("&File"), QStringLiteral("&Action"),
                               QStringLiteral("&Help")};
    QStringList shown;
    for (QAction* action : form.MainMenu1->actions()) {
        shown << action->text();
    }
    EXPECT_EQ(shown, menus);
}

TEST_F(MessagesWindowTest, ClientAreaFollowsTheFont) {
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    // Against Tahoma 13 pixels high: 7.13 pixels wide on average, lines
    // 15.69 pixels high.
    const QFontMetricsF metrics(form.font());
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    EXPECT_NEAR(form.centralWidget()->width(),
                633 * metrics.horizontalAdvance(letters) / 52 / 7.128, 1.0);
    EXPECT_NEAR(form.centralWidget()->height(), 328 * metrics.height() / 15.691, 1.0);
    EXPECT_EQ(form.pos(), QPoint(0, 0));
}

TEST_F(MessagesWindowTest, ReplaceClearAndTwoRunsInARow) {
    EXPECT_TRUE(form.Lines().isEmpty());
    form.ReplaceMessages(MakeMessages({"first run", "second line"}));
    EXPECT_EQ(form.Lines(),
              QStringList({QStringLiteral("first run"), QStringLiteral("second line")}));
    EXPECT_FALSE(form.isVisible());

    form.ReplaceMessages(MakeMessages({"only the second run", "", "  indented ünïcode ✓"}));
    EXPECT_EQ(form.Lines(), QStringList({QStringLiteral("only the second run"), QString(),
                                         QStringLiteral("  indented ünïcode ✓")}));

    // A run without messages empties the view.
    form.ReplaceMessages(MessageList());
    EXPECT_TRUE(form.Lines().isEmpty());
    EXPECT_TRUE(form.Erg->Lines().isEmpty());

    form.ReplaceMessages(MakeMessages({"a", "b"}));
    form.findChild<QAction*>(QStringLiteral("ClearText1"))->trigger();
    EXPECT_TRUE(form.Lines().isEmpty());
}

TEST_F(MessagesWindowTest, LongRunIsShownWhole) {
    MessageList messages;
    std::string longLine(40000, 'x');
    longLine += "end";
    messages.Add(longLine);
    for (int i = 0; i < 2000; ++i) {
        messages.Add("line " + std::to_string(i) + std::string(30, '.'));
    }
    form.ReplaceMessages(messages);
    const QStringList lines = form.Lines();
    ASSERT_EQ(lines.size(), 2001);
    EXPECT_EQ(lines.front(), Q(longLine));
    EXPECT_EQ(lines.back(), QStringLiteral("line 1999") + QString(30, QLatin1Char('.')));
}

TEST_F(MessagesWindowTest, CloseOnlyHidesAndKeepsTheText) {
    form.ReplaceMessages(MakeMessages({"kept"}));
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    form.findChild<QAction*>(QStringLiteral("Vlose1"))->trigger();
    EXPECT_FALSE(form.isVisible());
    form.show();
    EXPECT_TRUE(form.close() == false || !form.isVisible());
    EXPECT_FALSE(form.isVisible());
    form.show();
    QTest::keyClick(&form, Qt::Key_F4, Qt::ControlModifier);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.Lines(), QStringList(QStringLiteral("kept")));
    EXPECT_FALSE(form.testAttribute(Qt::WA_QuitOnClose));
}

TEST_F(MessagesWindowTest, CopyToClipboardShowsTheBoxWithOrWithoutSelection) {
    form.ReplaceMessages(MakeMessages({"alpha beta", "gamma"}));
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QApplication::clipboard()->setText(QStringLiteral("before"));

    {
        MessageBoxAnswers answers;
        form.Erg->setFocus();
        QTest::keyClick(form.Erg, Qt::Key_V, Qt::ControlModifier);
        ASSERT_EQ(answers.Requests().size(), 1u);
        EXPECT_EQ(answers.Requests()[0].Kind, gui::MessageKind::Information);
        EXPECT_EQ(answers.Requests()[0].Text,
                  QStringLiteral("Marked Text was copied into the Clipboard"));
        EXPECT_EQ(answers.Requests()[0].Text, Q(LoadStr(kStrMarkedTextCopied)));
        EXPECT_EQ(answers.Requests()[0].Buttons, QMessageBox::Ok);
        EXPECT_EQ(answers.Requests()[0].HelpTopic, 400);
        // Nothing was selected, so the clipboard is untouched.
        EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("before"));
    }
    {
        MessageBoxAnswers answers;
        form.Erg->SetSelection({0, 6}, {1, 3});
        form.findChild<QAction*>(QStringLiteral("CopytoClipboard1"))->trigger();
        EXPECT_EQ(answers.Requests().size(), 1u);
        EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("beta\ngam"));
    }
    {
        // Ctrl+C is the view's own copy: no box (the refusing hook would fail).
        form.Erg->SetSelection({0, 0}, {0, 5});
        QTest::keyClick(form.Erg, Qt::Key_C, Qt::ControlModifier);
        EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("alpha"));
    }
    // The view stays read-only whatever is typed or pasted.
    QTest::keyClicks(form.Erg, QStringLiteral("typed"));
    EXPECT_EQ(form.Lines(), QStringList({QStringLiteral("alpha beta"), QStringLiteral("gamma")}));
}

TEST_F(MessagesWindowTest, HelpAsksForTopic400) {
    form.findChild<QAction*>(QStringLiteral("Help2"))->trigger();
    ASSERT_NE(gui::HelpWindow(), nullptr);
    EXPECT_EQ(gui::HelpWindow()->Topic(), 400);
    EXPECT_TRUE(gui::HelpWindow()->isVisible());
    EXPECT_TRUE(gui::HelpWindow()->Text().contains(QStringLiteral("Save Messages")));
    gui::HelpWindow()->close();
}

TEST_F(MessagesWindowTest, SaveAsksInTheDocumentsFolderAndWritesRtf) {
    TempFolder folder;
    form.SetDocumentsFolderProvider([&] { return Q(folder.Path()); });
    form.ReplaceMessages(MakeMessages({"Folder created", "C:\\path {braces}"}));

    const std::string target = folder / "messages";  // no extension: kept as typed
    SaveFileAnswers answers(Q(target));
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QTest::keyClick(&form, Qt::Key_S, Qt::ControlModifier);
    ASSERT_EQ(answers.Requests().size(), 1u);
    EXPECT_EQ(answers.Requests()[0].Title, QStringLiteral("Save Messages"));
    EXPECT_EQ(answers.Requests()[0].Filter,
              QStringLiteral("Text Files (*.txt)|*.txt|All Files (*.*)|*.*"));
    EXPECT_EQ(answers.Requests()[0].StartFolder, Q(folder.Path()));
    EXPECT_EQ(ListFolder(folder.Path()), std::vector<std::string>{"messages"});
    const std::string rtf = ReadFile(target);
    EXPECT_EQ(rtf.rfind("{\\rtf1", 0), 0u);
    EXPECT_NE(rtf.find("C:\\\\path \\{braces\\}\\par"), std::string::npos);
    EXPECT_EQ(rtf.back(), '\n');
    EXPECT_EQ(form.Lines().size(), 2);
}

TEST_F(MessagesWindowTest, SaveReplacesAnExistingFileAndCancelWritesNothing) {
    TempFolder folder;
    const std::string target = folder / "old.txt";
    WriteFile(target, std::string(100000, 'o'));
    form.ReplaceMessages(MakeMessages({"new"}));
    {
        SaveFileAnswers cancel(std::nullopt);
        form.Speichernunter1Click();
        EXPECT_EQ(cancel.Requests().size(), 1u);
        EXPECT_EQ(ReadFile(target), std::string(100000, 'o'));
    }
    {
        SaveFileAnswers answers(Q(target));
        form.Speichernunter1Click();
        const std::string rtf = ReadFile(target);
        EXPECT_EQ(rtf.find('o' + std::string(10, 'o')), std::string::npos);
        EXPECT_NE(rtf.find("new\\par"), std::string::npos);
    }
    // The start folder is asked for anew each time; empty means Qt's default.
    form.SetDocumentsFolderProvider([] { return QString(); });
    SaveFileAnswers answers(std::nullopt);
    form.Speichernunter1Click();
    EXPECT_TRUE(answers.Requests().at(0).StartFolder.isEmpty());
}

TEST_F(MessagesWindowTest, SaveFailureShowsTheErrorAndKeepsTheView) {
    TempFolder folder;
    form.ReplaceMessages(MakeMessages({"still here"}));
    struct Case {
        const char* name;
        std::string target;
        const char* reason;
    };
    const Case cases[] = {
        {"missing folder", folder / "missing/out.rtf", "No such file"},
        {"a folder", folder.Path(), ""},
        {"a device that is full", "/dev/full", "No space left"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SaveFileAnswers file(Q(c.target));
        MessageBoxAnswers boxes;
        form.Speichernunter1Click();
        ASSERT_EQ(boxes.Requests().size(), 1u);
        EXPECT_EQ(boxes.Requests()[0].Kind, gui::MessageKind::Error);
        EXPECT_TRUE(boxes.Requests()[0].Text.contains(Q(c.target)))
            << boxes.Requests()[0].Text.toStdString();
        EXPECT_TRUE(boxes.Requests()[0].Text.contains(QLatin1String(c.reason)))
            << boxes.Requests()[0].Text.toStdString();
        EXPECT_EQ(form.Lines(), QStringList(QStringLiteral("still here")));
    }
    EXPECT_EQ(ListFolder(folder.Path()), std::vector<std::string>{});
    // The device is still a device: writing it never replaced it by a file.
    EXPECT_FALSE(QFileInfo(QStringLiteral("/dev/full")).isFile());
}

#ifndef _WIN32  // a symbolic link needs privileges there
TEST_F(MessagesWindowTest, SaveThroughALinkWritesItsTarget) {
    TempFolder folder;
    WriteFile(folder / "real.rtf", "old");
    ASSERT_EQ(symlink("real.rtf", (folder / "link.rtf").c_str()), 0);
    form.ReplaceMessages(MakeMessages({"through the link"}));
    SaveFileAnswers answers(Q(folder / "link.rtf"));
    form.Speichernunter1Click();
    EXPECT_TRUE(QFileInfo(Q(folder / "link.rtf")).isSymLink());
    EXPECT_NE(ReadFile(folder / "real.rtf").find("through the link"), std::string::npos);
}
#endif

TEST_F(MessagesWindowTest, SavedRtfReadsBackAsTheSameLines) {
    TempFolder folder;
    const std::vector<std::string> lines = {
        "Folder created: /photos/2014-05-03",
        "",
        "  two leading blanks and a trailing one ",
        "backslash \\ braces {} and \\par in a name",
        "Grüße, café, naïve, Ærø",
        "日本語のファイル.jpg and an emoji 📷",
        "100% done; semicolons; \"quotes\"",
    };
    MessageList messages;
    for (const std::string& line : lines) {
        messages.Add(line);
    }
    form.ReplaceMessages(messages);
    const std::string target = folder / "saved.rtf";
    {
        SaveFileAnswers answers(Q(target));
        form.Speichernunter1Click();
    }
    const auto readBack = ReadRtfWithUnrtf(target, folder);
    if (!readBack) {
        GTEST_SKIP() << "unrtf is not installed";
    }
    // unrtf's text mode folds every run of blanks into one; the bytes test
    // in RtfTest shows that they are all written.
    static const QRegularExpression blanks(QStringLiteral(" +"));
    QStringList expected;
    for (const std::string& line : lines) {
        expected << Q(line).replace(blanks, QStringLiteral(" "));
    }
    EXPECT_EQ(*readBack, expected);
    // The view's font names the font table.
    EXPECT_NE(ReadFile(target).find(QFontInfo(form.Erg->font()).family().toStdString()),
              std::string::npos);
}

TEST(RtfTest, EscapesEverythingBeyondPlainAscii) {
    struct Row {
        QString text;
        QByteArray rtf;
    };
    const Row rows[] = {
        {QStringLiteral("plain"), "plain"},
        {QStringLiteral("a\\b{c}d"), "a\\\\b\\{c\\}d"},
        {QStringLiteral("é"), "{\\u233?}"},
        {QStringLiteral("€5"), "{\\u8364?}5"},
        {QStringLiteral("Grüße"), "Gr{\\u252?\\u223?}e"},
        {QStringLiteral("\uFFFD"), "{\\u-3?}"},
        {QStringLiteral("📷"), "{\\u-10179?\\u-8969?}"},
        {QStringLiteral("a\tb"), "a\\tab b"},
        {QStringLiteral("bell\x07"), "bell"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(gui::EscapeRtfText(row.text), row.rtf) << row.text.toStdString();
    }
    const QByteArray empty = gui::LinesToRtf({}, QFont());
    EXPECT_TRUE(empty.startsWith("{\\rtf1"));
    EXPECT_EQ(empty.count('{'), empty.count('}'));
    EXPECT_FALSE(empty.contains("\\par\n"));
    // Blanks are text as they stand, leading ones included.
    EXPECT_TRUE(gui::LinesToRtf(QStringList{QStringLiteral("  a  b ")}, QFont())
                    .contains("\n  a  b \\par\n"));
}

}  // namespace
}  // namespace quenby::test
