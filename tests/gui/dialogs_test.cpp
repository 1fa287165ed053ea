#include "gui/dialogs.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QTest>

#include "gui/helpwindow.h"
#include "gui/hints.h"
#include "tests/gui/guitest.h"

namespace quenby::test {

using namespace gui;
namespace {

TEST(DialogsTest, FileFiltersBecomeQtFilters) {
    struct Row {
        const char* ours;
        const char* qt;
    };
    const Row rows[] = {
        {"Text Files (*.txt)|*.txt|All Files (*.*)|*.*", "Text Files (*.txt);;All Files (*)"},
        {"Alles (*.*)|*.*", "Alles (*)"},
        {"Anything (*.*)|*.*", "Anything (*)"},
        {"Pictures|*.jpg;*.png", "Pictures (*.jpg *.png)"},
        {"", ""},
        {"Odd entry without patterns", ""},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(gui::ConvertFileFilter(QLatin1String(row.ours)), QLatin1String(row.qt))
            << row.ours;
    }
}

TEST(DialogsTest, BoxesHaveTheirKindButtonsAndHelp) {
    struct Row {
        gui::MessageKind kind;
        QMessageBox::Icon icon;
    };
    for (const Row& row : {Row{gui::MessageKind::Error, QMessageBox::Critical},
                           Row{gui::MessageKind::Information, QMessageBox::Information},
                           Row{gui::MessageKind::Confirmation, QMessageBox::Question}}) {
        // The program's texts end their lines with "\r".
        QMessageBox* box = gui::CreateMessageBox(nullptr, {row.kind, QStringLiteral("one\rtwo\r"),
                                                           QMessageBox::Yes | QMessageBox::No, 0});
        EXPECT_EQ(box->icon(), row.icon);
        EXPECT_EQ(box->text(), QStringLiteral("one\ntwo\n"));
        EXPECT_EQ(box->standardButtons(), QMessageBox::Yes | QMessageBox::No);
        delete box;
    }

    // F1 in a box with a help topic asks for that topic; shown modeless
    // here so that the test does not wait on it.
    QMessageBox* box = gui::CreateMessageBox(
        nullptr, {gui::MessageKind::Information, QStringLiteral("copied"), QMessageBox::Ok, 400});
    box->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(box));
    box->activateWindow();
    QTest::keyClick(box, Qt::Key_F1);
    ASSERT_NE(gui::HelpWindow(), nullptr);
    EXPECT_EQ(gui::HelpWindow()->Topic(), 400);
    EXPECT_TRUE(gui::HelpWindow()->isVisible());
    gui::HelpWindow()->close();
    delete box;

    // Asked from a modal box, help becomes a window of the box, the only
    // kind the box does not block, and goes when the box goes.
    box = gui::CreateMessageBox(
        nullptr, {gui::MessageKind::Information, QStringLiteral("modal"), QMessageBox::Ok, 400});
    box->setWindowModality(Qt::ApplicationModal);
    box->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(box));
    ASSERT_EQ(QApplication::activeModalWidget(), box);
    QTest::keyClick(box, Qt::Key_F1);
    ASSERT_NE(gui::HelpWindow(), nullptr);
    EXPECT_EQ(gui::HelpWindow()->parentWidget(), box);
    EXPECT_TRUE(gui::HelpWindow()->isWindow());
    EXPECT_TRUE(gui::HelpWindow()->isVisible());
    delete box;
    EXPECT_EQ(gui::HelpWindow(), nullptr);

    gui::ShowHelp(32000);
    EXPECT_TRUE(gui::HelpWindow()->Text().contains(QStringLiteral("32000")));
    gui::RegisterHelpTopic(32000, QStringLiteral("Info"), QStringLiteral("<p>About us</p>"));
    gui::ShowHelp(32000);
    EXPECT_EQ(gui::HelpWindow()->Text(), QStringLiteral("About us"));
    gui::HelpWindow()->close();
}

TEST(DialogsTest, HooksAnswerInsteadOfTheWindows) {
    {
        MessageBoxAnswers answers(QMessageBox::No);
        EXPECT_EQ(
            gui::ShowMessageBox(nullptr, {gui::MessageKind::Confirmation, QStringLiteral("Sure?"),
                                          QMessageBox::Yes | QMessageBox::No, 0}),
            QMessageBox::No);
        ASSERT_EQ(answers.Requests().size(), 1u);
        EXPECT_EQ(answers.Requests()[0].Text, QStringLiteral("Sure?"));
    }
    {
        SaveFileAnswers answers(QStringLiteral("/tmp/x"));
        EXPECT_EQ(gui::ChooseSaveFile(nullptr, {QStringLiteral("T"), QString(), QString()}),
                  QStringLiteral("/tmp/x"));
    }
    FolderAnswers answers(std::nullopt);
    EXPECT_EQ(gui::ChooseFolder(nullptr, {QStringLiteral("T"), QString()}), std::nullopt);
}

TEST(HintsTest, TitleTextAndImage) {
    const QStringList images = {QStringLiteral(":/images/cleartext.png"),
                                QStringLiteral(":/images/close.png")};
    struct Row {
        const char* hint;
        const char* tip;
    };
    const Row rows[] = {
        {"plain hint", "plain hint"},
        {"Execute|Start Copy Files and creating Dirs|1",
         "<qt><table cellspacing=\"0\" cellpadding=\"2\"><tr><td valign=\"top\">"
         "<img src=\":/images/close.png\"></td><td><b>Execute</b><br>Start Copy Files and "
         "creating Dirs</td></tr></table></qt>"},
        {"Source Folder|Select here a Source Folder and click on \"append\"",
         "<qt><b>Source Folder</b><br>Select here a Source Folder and click on "
         "&quot;append&quot;</qt>"},
        {"A|B|7", "<qt><b>A</b><br>B</qt>"},
        {"A|B|x", "<qt><b>A</b><br>B</qt>"},
        {"a<b|c&d", "<qt><b>a&lt;b</b><br>c&amp;d</qt>"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(gui::HintToToolTip(QString::fromUtf8(row.hint), images),
                  QString::fromUtf8(row.tip))
            << row.hint;
    }
    QLabel label;
    gui::SetHint(&label, QStringLiteral("T|X"));
    EXPECT_EQ(label.toolTip(), QStringLiteral("<qt><b>T</b><br>X</qt>"));
}

}  // namespace
}  // namespace quenby::test
