#include "app/quenbymain.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWindow>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <future>
#include <optional>
#include <thread>
#include <tuple>

#include "base/stringtable.h"
#include "controls/controlstore.h"
#include "controls/jampathedit.h"
#include "controls/jamshelltree.h"
#include "controls/stdcontrols.h"
#include "gui/resources.h"
#include "settings/appfolders.h"
#include "settings/foldersections.h"
#include "settings/inifile.h"
#include "sorting/datenaming.h"
#include "sorting/runsettings.h"
#include "tests/gui/guitest.h"
#include "tests/support/envguard.h"
#include "tests/support/mediafixtures.h"
#include "tests/support/tempfolder.h"
#include "windows/infodialog.h"
#include "windows/messageswindow.h"
#include "windows/optionsdialog.h"

namespace quenby::test {

using namespace gui;
namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

QStringList Items(const QListWidget* list) {
    QStringList items;
    for (int row = 0; row < list->count(); ++row) {
        items << list->item(row)->text();
    }
    return items;
}

// Text from an input method, committed into the widget.
void TypeThroughInputMethod(QWidget* target, const QString& text) {
    QInputMethodEvent event;
    event.setCommitString(text);
    QCoreApplication::sendEvent(target, &event);
}

// Text dragged from another program and dropped on the widget.
void DropText(QWidget* target, const QString& text) {
    QMimeData data;
    data.setText(text);
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    QDragMoveEvent move(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &move);
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &drop);
}

// Whether the context menu key opens a menu; one that opens is closed again.
bool OpensContextMenu(QWidget* target) {
    QContextMenuEvent event(QContextMenuEvent::Keyboard, target->rect().center(),
                            target->mapToGlobal(target->rect().center()));
    QCoreApplication::sendEvent(target, &event);
    QWidget* menu = QApplication::activePopupWidget();
    if (menu != nullptr) {
        menu->close();
    }
    return menu != nullptr;
}

DateTimeValue May3rd2014() {
    DateTimeValue value = 0;
    TryEncodeDate(2014, 5, 3, value);
    double time = 0;
    TryEncodeTime(14, 0, 0, 0, time);
    return CombineDateAndTime(value, time);
}

// Every test gets its own settings file, an English user and the regional
// date naming back as it was.
class QuenbyformTest : public testing::Test {
protected:
    QuenbyformTest() : m_language("LC_ALL", std::string("en_US.UTF-8")) {
        SetSettingsFilePath(m_work / "config/quenby.ini");
        MakeFolders(m_work / "config");
        ResetDateNaming();
    }
    ~QuenbyformTest() override {
        ResetFolders();
        ResetDateNaming();
    }

    std::unique_ptr<TQuenbyform> MakeForm() {
        return std::make_unique<TQuenbyform>(&m_messages, May3rd2014);
    }

    // A window that sorts `folder`/Card into `folder`/Photos, day by day.
    std::unique_ptr<TQuenbyform> MakeSortingForm(const TempFolder& folder) {
        auto form = MakeForm();
        form->Dirliste->addItem(Q(folder / "Card"));
        form->Rootdir->SetPath(Q(folder / "Photos"));
        form->Trennzeichen->SetItemIndex(0);
        return form;
    }

    // Closing the shown window gives one error box and leaves it open; the
    // box's text.
    static QString CloseIsRefused(TQuenbyform& form) {
        form.show();
        MessageBoxAnswers answers;
        EXPECT_FALSE(form.close());
        EXPECT_TRUE(form.isVisible());
        EXPECT_EQ(answers.Requests().size(), 1U);
        if (answers.Requests().empty()) {
            return {};
        }
        EXPECT_EQ(answers.Requests()[0].Kind, gui::MessageKind::Error);
        return answers.Requests()[0].Text;
    }

    TempFolder m_work;
    EnvGuard m_language;
    TMeldungsformular m_messages;
};

TEST_F(QuenbyformTest, StartsWithDesignValuesWithoutSettingsFile) {
    auto form = MakeForm();
    EXPECT_EQ(form->objectName(), QStringLiteral("Quenbyform"));
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Quenby"));
    EXPECT_EQ(form->Optionen->ItemIndex(), 0);
    EXPECT_EQ(form->Optionen->Items(),
              (QStringList{QStringLiteral("yyyy/mm/dd"), QStringLiteral("yyyy/m/d"),
                           QStringLiteral("dd/mm/yyyy"), QStringLiteral("d/m/yyyy")}));
    EXPECT_EQ(form->Trennzeichen->currentIndex(), -1);
    EXPECT_EQ(form->Trennzeichen->count(), 6);
    EXPECT_EQ(form->Maske->text(), QStringLiteral("*.jpg;*.avi"));
    EXPECT_EQ(form->Dirliste->count(), 0);
    EXPECT_EQ(form->Dirs->SelectedFolder(), QString());
    EXPECT_EQ(form->Demo->text(), QStringLiteral("Demo:"));
    EXPECT_FALSE(form->Useprefix->isChecked());
    EXPECT_FALSE(form->Deletesource->isChecked());
    EXPECT_FALSE(form->Usecapturedate->isChecked());
    EXPECT_EQ(form->Usecapturedate->text(), QStringLiteral("Use the capture date from the photo"));
    // Object names are the keys of the settings file.
    for (const char* name : {"optionen",     "trennzeichen",   "dirliste",    "maske",
                             "rootdir",      "Prefix",         "Suffix",      "deletesource",
                             "useprefix",    "usecapturedate", "dirs",        "delbut",
                             "execbut",      "anfuegenbut",    "Demo",        "ShowMessagesBut",
                             "ShowInfosBut", "Addtodesktop",   "Closebutton", "GroupBox1"}) {
        EXPECT_NE(form->findChild<QWidget*>(QString::fromLatin1(name)), nullptr) << name;
    }
}

TEST_F(QuenbyformTest, GermanUsersGetGermanLayoutCaptions) {
    EnvGuard german("LC_ALL", std::string("de_DE.UTF-8"));
    auto form = MakeForm();
    EXPECT_EQ(form->Optionen->Items(),
              (QStringList{QStringLiteral("JJJJ.MM.TT"), QStringLiteral("JJJJ.M.T"),
                           QStringLiteral("TT.MM.JJJJ"), QStringLiteral("T.M.JJJJ")}));
    EXPECT_EQ(form->Optionen->ItemIndex(), 0);
    EXPECT_EQ(form->Usecapturedate->text(), QStringLiteral("Aufnahmedatum aus dem Foto verwenden"));
}

TEST_F(QuenbyformTest, StoredControlsComeInTheSettingsFilesKeyOrder) {
    auto form = MakeForm();
    QStringList stored;
    for (QWidget* widget : form->findChildren<QWidget*>()) {
        if (qobject_cast<TRadioGroup*>(widget) || qobject_cast<TComboBox*>(widget) ||
            qobject_cast<TListBox*>(widget) || qobject_cast<TCustomEdit*>(widget) ||
            qobject_cast<TJamPathEdit*>(widget) || qobject_cast<TCheckBox*>(widget)) {
            stored << widget->objectName();
        }
    }
    EXPECT_EQ(stored, (QStringList{QStringLiteral("optionen"), QStringLiteral("trennzeichen"),
                                   QStringLiteral("dirliste"), QStringLiteral("maske"),
                                   QStringLiteral("rootdir"), QStringLiteral("Prefix"),
                                   QStringLiteral("Suffix"), QStringLiteral("deletesource"),
                                   QStringLiteral("useprefix"), QStringLiteral("usecapturedate"),
                                   QStringLiteral("preview"), QStringLiteral("verifycopies"),
                                   QStringLiteral("keepboth"), QStringLiteral("onlynew")}));
}

// quenby-sort --settings reads what the window stored, under the same keys.
TEST_F(QuenbyformTest, WhatTheWindowStoresIsWhatQuenbySortReads) {
    auto form = MakeForm();
    form->Maske->setText(QStringLiteral("*.png;*.mov"));
    form->Rootdir->SetPath(Q(m_work / "photos"));
    form->Optionen->SetItemIndex(2);
    form->Trennzeichen->SetItemIndex(3);
    form->Prefix->setText(QStringLiteral("P_"));
    form->Suffix->setText(QStringLiteral("_x"));
    for (QCheckBox* box :
         {static_cast<QCheckBox*>(form->Deletesource), static_cast<QCheckBox*>(form->Useprefix),
          static_cast<QCheckBox*>(form->Usecapturedate),
          static_cast<QCheckBox*>(form->Options->VerifyCopies),
          static_cast<QCheckBox*>(form->Options->KeepBoth),
          static_cast<QCheckBox*>(form->Options->OnlyNew)}) {
        box->setChecked(true);
    }
    SaveFormState(form.get());
    const SortOptions shown = form->ReadSortOptions();
    SortOptions read;
    ReadRunSettings(TMemIniFile(SettingsFilePath()), read);
    const auto fields = [](const SortOptions& o) {
        return std::tie(o.MaskText, o.TargetRoot, o.LayoutIndex, o.SeparatorIndex, o.SeparatorChar,
                        o.Prefix, o.Suffix, o.DeleteSources, o.RenameFiles, o.DateFrom,
                        o.VerifyCopies, o.OnNameClash, o.OnlyNew);
    };
    EXPECT_TRUE(fields(read) == fields(shown));
    EXPECT_EQ(shown.DateFrom, DateSource::CaptureDate);
    EXPECT_EQ(shown.OnNameClash, NameClash::KeepBoth);
}

TEST_F(QuenbyformTest, TreeFillsTheSpaceBesideTheGroupBox) {
    auto form = MakeForm();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    const int group = form->GroupBox1->width();
    EXPECT_EQ(form->GroupBox1->geometry().right(), form->centralWidget()->width() - 1);
    EXPECT_EQ(form->Dirs->x(), 0);
    EXPECT_EQ(form->Dirs->width() + form->GroupBox1->width(), form->centralWidget()->width());
    form->resize(form->width() + 100, form->height());
    QApplication::processEvents();
    EXPECT_EQ(form->GroupBox1->width(), group);
    EXPECT_EQ(form->Dirs->width() + form->GroupBox1->width(), form->centralWidget()->width());
    form->hide();
}

TEST_F(QuenbyformTest, ShowDemoPreviewsTheFolderName) {
    auto form = MakeForm();
    const char32_t regional = DateNaming().Separator;

    // Without a separator nothing is touched.
    form->ShowDemo();
    EXPECT_EQ(form->Demo->text(), QStringLiteral("Demo:"));
    EXPECT_EQ(DateNaming().Separator, regional);

    form->Trennzeichen->SetItemIndex(0);
    EXPECT_EQ(form->Demo->text(), QStringLiteral("Demo: 2014-05-03"));
    EXPECT_EQ(DateNaming().Separator, regional);
    EXPECT_EQ(DateNaming().Pattern, "yyyy/mm/dd");

    form->Optionen->SetItemIndex(3);
    EXPECT_EQ(form->Demo->text(), QStringLiteral("Demo: 3-5-2014"));
    EXPECT_EQ(DateNaming().Pattern, "d/m/yyyy");

    form->Prefix->setText(QStringLiteral("Trip "));
    form->Suffix->setText(QStringLiteral(" end"));
    EXPECT_EQ(form->Demo->text(), QStringLiteral("Demo: Trip 3-5-2014 end"));

    form->Prefix->setText(QStringLiteral("a:b"));
    EXPECT_EQ(form->Demo->text(), QStringLiteral("Invalid Filenameformat!"));
    EXPECT_EQ(DateNaming().Separator, regional);

    // A later change without a separator keeps the last preview.
    form->Prefix->clear();
    form->Trennzeichen->SetItemIndex(-1);
    form->Suffix->setText(QStringLiteral("x"));
    EXPECT_EQ(form->Demo->text(), QStringLiteral("Demo: 3-5-2014 end"));
}

TEST_F(QuenbyformTest, AppendSkipsFoldersListedInOtherCase) {
    MakeFolders(m_work / "Photos");
    MakeFolders(m_work / "photos");
    MakeFolders(m_work / "Other");
    auto form = MakeForm();
    // Nothing selected in the tree: nothing to append.
    form->AnfuegenbutClick();
    EXPECT_EQ(form->Dirliste->count(), 0);
    form->Dirs->SetSelectedFolder(Q(m_work / "Photos"));
    form->AnfuegenbutClick();
    form->Dirs->SetSelectedFolder(Q(m_work / "photos"));
    ASSERT_EQ(form->Dirs->SelectedFolder(), Q(m_work / "photos"));
    form->AnfuegenbutClick();
    QTest::mouseClick(form->Anfuegenbut, Qt::LeftButton);
    EXPECT_EQ(Items(form->Dirliste), QStringList{Q(m_work / "Photos")});

    form->Dirs->SetSelectedFolder(Q(m_work / "Other"));
    emit form->Dirs->DblClick();
    EXPECT_EQ(Items(form->Dirliste), (QStringList{Q(m_work / "Photos"), Q(m_work / "Other")}));
    EXPECT_EQ(form->Dirliste->ItemIndex(), -1);
}

TEST_F(QuenbyformTest, DeleteNeedsASelectedEntryEachTime) {
    auto form = MakeForm();
    form->Dirliste->addItems({QStringLiteral("/a"), QStringLiteral("/b"), QStringLiteral("/c")});
    {
        MessageBoxAnswers answers;
        form->DelbutClick();
        ASSERT_EQ(answers.Requests().size(), 1U);
        EXPECT_EQ(answers.Requests()[0].Kind, gui::MessageKind::Error);
        EXPECT_EQ(answers.Requests()[0].Text,
                  QStringLiteral("No Folder marked!\nSelect an Entry from the list"));
    }
    EXPECT_EQ(form->Dirliste->count(), 3);

    form->Dirliste->SetItemIndex(1);
    QTest::mouseClick(form->Delbut, Qt::LeftButton);
    EXPECT_EQ(Items(form->Dirliste), (QStringList{QStringLiteral("/a"), QStringLiteral("/c")}));
    EXPECT_EQ(form->Dirliste->ItemIndex(), -1);

    MessageBoxAnswers answers;
    form->DelbutClick();
    EXPECT_EQ(answers.Requests().size(), 1U);
    EXPECT_EQ(form->Dirliste->count(), 2);
}

TEST_F(QuenbyformTest, ExecuteRefusesWithoutSeparator) {
    WriteFile(m_work / "card/a.jpg", "x");
    auto form = MakeForm();
    form->Dirliste->addItem(Q(m_work / "card"));
    form->Rootdir->SetPath(Q(m_work / "photos"));
    MakeFolders(m_work / "photos");
    m_messages.ReplaceMessages([] {
        MessageList earlier;
        earlier.Add("earlier");
        return earlier;
    }());
    MessageBoxAnswers answers;
    form->ExecbutClick();
    ASSERT_EQ(answers.Requests().size(), 1U);
    EXPECT_EQ(answers.Requests()[0].Kind, gui::MessageKind::Error);
    EXPECT_EQ(answers.Requests()[0].Title, QStringLiteral("Fehler"));
    EXPECT_EQ(answers.Requests()[0].Text,
              QStringLiteral("Charakter \"\" cannot be used as an Separator!"));
    EXPECT_EQ(ListFolder(m_work / "photos"), std::vector<std::string>{});
    EXPECT_EQ(m_messages.Lines(), QStringList{QStringLiteral("earlier")});
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Quenby"));
}

TEST_F(QuenbyformTest, ExecuteWithEmptyMaskEmptiesTheMessages) {
    auto form = MakeForm();
    form->Trennzeichen->SetItemIndex(0);
    form->Maske->clear();
    m_messages.ReplaceMessages([] {
        MessageList earlier;
        earlier.Add("earlier");
        return earlier;
    }());
    QStringList captions;
    QObject::connect(form.get(), &QWidget::windowTitleChanged, form.get(),
                     [&captions](const QString& title) { captions << title; });
    MessageBoxAnswers answers;
    form->ExecbutClick();
    ASSERT_EQ(answers.Requests().size(), 1U);
    EXPECT_EQ(answers.Requests()[0].Kind, gui::MessageKind::Information);
    EXPECT_EQ(answers.Requests()[0].Title, QStringLiteral("Informationen"));
    EXPECT_EQ(answers.Requests()[0].Text, QStringLiteral("0 of 0 files copied"));
    EXPECT_TRUE(m_messages.Lines().isEmpty());
    EXPECT_TRUE(captions.isEmpty());
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Quenby"));
}

TEST_F(QuenbyformTest, ExecuteCopiesOneFileThroughTheWindow) {
    WriteFile(m_work / "Card/a.jpg", "photo");
    SetLocalMtime(m_work / "Card/a.jpg", 2014, 5, 3, 14, 0);
    MakeFolders(m_work / "Photos");
    auto form = MakeSortingForm(m_work);

    QStringList captions;
    QObject::connect(form.get(), &QWidget::windowTitleChanged, form.get(),
                     [&captions](const QString& title) { captions << title; });
    QStringList captionAtBox;
    QStringList messagesAtBox;
    gui::SetMessageBoxHook([&](const gui::MessageBoxRequest& request) {
        captionAtBox << form->windowTitle() << request.Text << request.Title;
        messagesAtBox = m_messages.Lines();
        return QMessageBox::Ok;
    });
    form->ExecbutClick();
    InstallRefusingHooks();

    EXPECT_EQ(captionAtBox, (QStringList{QStringLiteral("Quenby : 1 of 1 files copied"),
                                         QStringLiteral("1 of 1 files copied"),
                                         QStringLiteral("Informationen")}));
    const QString folder = Q(m_work / "Photos/2014-05-03");
    EXPECT_EQ(
        messagesAtBox,
        (QStringList{QStringLiteral("Folder %1 was created").arg(folder),
                     QStringLiteral("Copied file %1 to %2")
                         .arg(Q(m_work / "Card/a.jpg"), Q(m_work / "Photos/2014-05-03/a.jpg"))}));
    EXPECT_EQ(ReadFile(m_work / "Photos/2014-05-03/a.jpg"), "photo");
    EXPECT_EQ(captions, (QStringList{QStringLiteral("Quenby : 1 of 1 files copied"),
                                     QStringLiteral("Quenby")}));
    EXPECT_FALSE(m_messages.isVisible());

    // Again: the copy exists, so nothing is copied.
    MessageBoxAnswers answers;
    form->ExecbutClick();
    ASSERT_EQ(answers.Requests().size(), 1U);
    EXPECT_EQ(answers.Requests()[0].Text, QStringLiteral("0 of 1 files copied"));
}

// A photo copied to the computer years after it was taken: with the check box
// its day comes from the photo, without it from the copy.
TEST_F(QuenbyformTest, ExecuteTakesTheCaptureDateWhenAsked) {
    WriteFile(m_work / "Card/a.jpg", test::Jpeg(test::Tiff("2021:07:04 00:15:00")));
    SetLocalMtime(m_work / "Card/a.jpg", 2024, 5, 3, 14, 0);
    MakeFolders(m_work / "Photos");
    auto form = MakeSortingForm(m_work);
    for (const auto& [checked, day] : {std::pair{true, "2021-07-04"}, {false, "2024-05-03"}}) {
        form->Usecapturedate->setChecked(checked);
        MessageBoxAnswers answers;
        form->ExecbutClick();
        EXPECT_TRUE(Exists(m_work / (std::string("Photos/") + day + "/a.jpg"))) << day;
    }
}

TEST_F(QuenbyformTest, EnterInTheListOrAnEditStartsTheRun) {
    auto form = MakeForm();
    int runs = 0;
    form->SetSortRunner([&runs](const SortOptions&, MessageList&, const ProgressCallback&,
                                const ProblemCallback&, const StopRequest*) {
        ++runs;
        return SortCounts{};
    });
    form->Trennzeichen->SetItemIndex(0);
    MessageBoxAnswers answers;
    QTest::keyClick(form->Maske, Qt::Key_Return);
    QTest::keyClick(form->Prefix, Qt::Key_Enter);
    QTest::keyClick(form->Dirliste, Qt::Key_Return);
    QTest::keyClick(form->Rootdir->Edit(), Qt::Key_Return);
    EXPECT_EQ(runs, 4);
    EXPECT_EQ(answers.Requests().size(), 4U);
    QTest::keyClick(form->Maske, Qt::Key_A);
    EXPECT_EQ(runs, 4);
}

TEST_F(QuenbyformTest, NoWindowTakesInputDuringARun) {
    auto form = MakeForm();
    form->Trennzeichen->SetItemIndex(0);
    form->Dirliste->addItem(QStringLiteral("/kept"));
    m_messages.show();
    m_messages.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&m_messages));
    gui::Tinfodialog* info = gui::ShowInfoDialog(form.get());
    std::promise<void> clicked;
    std::future<void> clickedDone = clicked.get_future();
    bool sawRunning = false;
    bool menuDuringRun = true;
    form->SetSortRunner([&](const SortOptions&, MessageList& messages,
                            const ProgressCallback& progress, const ProblemCallback&,
                            const StopRequest*) {
        messages.Add("line");
        progress({"1 of 1 files copied", SortCounts{1, 1, 0}, 1});
        clickedDone.wait();
        return SortCounts{1, 1, 0};
    });
    QTimer::singleShot(0, form.get(), [&] {
        sawRunning = form->Running();
        // Delete with no selection would show a box, Ctrl+S in the messages
        // window a save dialog; the refusing hooks fail the test if either
        // gets through.
        QTest::mouseClick(form->Delbut, Qt::LeftButton);
        QTest::keyClick(form->Maske, Qt::Key_X);
        QTest::keyClick(form->Dirliste, Qt::Key_Delete);
        QTest::keyClick(&m_messages, Qt::Key_S, Qt::ControlModifier);
        QTest::mouseClick(info->Okbut, Qt::LeftButton);
        TypeThroughInputMethod(form->Prefix, QStringLiteral("typed"));
        DropText(form->Suffix, QStringLiteral("dropped"));
        menuDuringRun = OpensContextMenu(form->Maske);
        clicked.set_value();
    });
    {
        MessageBoxAnswers answers;
        form->ExecbutClick();
        EXPECT_TRUE(sawRunning);
        EXPECT_FALSE(form->Running());
        EXPECT_FALSE(menuDuringRun);
        EXPECT_EQ(form->Maske->text(), QStringLiteral("*.jpg;*.avi"));
        EXPECT_EQ(form->Prefix->text(), QString());
        EXPECT_EQ(form->Suffix->text(), QString());
        EXPECT_EQ(form->Dirliste->count(), 1);
        EXPECT_TRUE(info->isVisible());
        ASSERT_EQ(answers.Requests().size(), 1U);
        EXPECT_EQ(answers.Requests()[0].Text, QStringLiteral("1 of 1 files copied"));
        EXPECT_EQ(m_messages.Lines(), QStringList{QStringLiteral("line")});
    }
    // Input is back after the run, every kind of it.
    QTest::keyClick(form->Maske, Qt::Key_X);
    EXPECT_EQ(form->Maske->text(), QStringLiteral("*.jpg;*.avix"));
    TypeThroughInputMethod(form->Prefix, QStringLiteral("typed"));
    EXPECT_EQ(form->Prefix->text(), QStringLiteral("typed"));
    DropText(form->Suffix, QStringLiteral("dropped"));
    EXPECT_EQ(form->Suffix->text(), QStringLiteral("dropped"));
    EXPECT_TRUE(OpensContextMenu(form->Maske));
    {
        SaveFileAnswers save(std::nullopt);
        m_messages.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&m_messages));
        QTest::keyClick(&m_messages, Qt::Key_S, Qt::ControlModifier);
        EXPECT_EQ(save.Requests().size(), 1U);
    }
    m_messages.hide();
}

// Escape, the close button and Ctrl+Q during a run, the last two asked
// about once: the real run stops after the file it is at, says so, and the
// window closes as any close does when the answer was "Yes".
TEST_F(QuenbyformTest, EscapeCloseAndQuitStopARunAfterTheFileItIsAt) {
    enum class Request : std::uint8_t { Escape, Close, Quit };
    const struct {
        const char* Name;
        Request Asked;
        QMessageBox::StandardButton Answer;
        bool Stops;
        // The boxes shown and clicked through their windows, as a user
        // does, not answered by the test's hook.
        bool Clicked = false;
    } rows[] = {
        {"Escape", Request::Escape, QMessageBox::Ok, true},
        {"CloseAnsweredYes", Request::Close, QMessageBox::Yes, true},
        {"CloseAnsweredNo", Request::Close, QMessageBox::No, false},
        {"CtrlQAnsweredYes", Request::Quit, QMessageBox::Yes, true},
        {"CloseClickedYes", Request::Close, QMessageBox::Yes, true, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        const TempFolder tmp;
        for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) {
            WriteFile(tmp / (std::string("Card/") + name), name);
            SetLocalMtime(tmp / (std::string("Card/") + name), 2014, 5, 3, 14, 0);
        }
        MakeFolders(tmp / "Photos");
        auto form = MakeSortingForm(tmp);
        form->show();
        // The run waits after its first file until it is asked to stop, or
        // for a while when it is not.
        std::atomic<bool> first{false};
        form->SetSortRunner([&](const SortOptions& options, MessageList& messages,
                                const ProgressCallback& progress, const ProblemCallback& problems,
                                const StopRequest* stop) {
            return SortRun(
                options, messages,
                [&](const SortProgress& step) {
                    progress(step);
                    if (step.RecordsDone == 1) {
                        first.store(true);
                        for (int wait = 0; wait < 100 && !stop->Requested(); ++wait) {
                            std::this_thread::sleep_for(std::chrono::milliseconds(10));
                        }
                    }
                },
                problems, stop);
        });
        QTimer::singleShot(0, form.get(), [&] {
            while (!first.load()) {
                QApplication::processEvents();
            }
            if (row.Asked == Request::Escape) {
                QTest::keyClick(form->Maske, Qt::Key_Escape);
            } else if (row.Asked == Request::Close) {
                form->close();
            } else {
                QTest::keyClick(form->Maske, Qt::Key_Q, Qt::ControlModifier);
            }
        });
        QTimer clicker;
        QObject::connect(&clicker, &QTimer::timeout, form.get(), [&row] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QAbstractButton* button = box != nullptr ? box->button(row.Answer) : nullptr;
            if (button == nullptr) {
                button = box != nullptr ? box->button(QMessageBox::Ok) : nullptr;
            }
            if (button != nullptr && box->windowHandle() != nullptr) {
                QTest::mouseClick(box->windowHandle(), Qt::LeftButton, {},
                                  button->mapTo(box, button->rect().center()));
            }
        });
        std::optional<MessageBoxAnswers> answers;
        if (row.Clicked) {
            gui::SetMessageBoxHook({});
            clicker.start(10);
        } else {
            answers.emplace(row.Answer);
        }
        form->ExecbutClick();
        InstallRefusingHooks();
        const int copied = row.Stops ? 1 : 3;
        EXPECT_EQ(ListFolder(tmp / "Photos/2014-05-03").size(), static_cast<std::size_t>(copied));
        EXPECT_EQ(m_messages.Lines().back() == QStringLiteral("The run was stopped."), row.Stops);
        if (answers) {
            ASSERT_EQ(answers->Requests().size(), row.Asked == Request::Escape ? 1U : 2U);
            EXPECT_EQ(answers->Requests().back().Text,
                      Q(std::to_string(copied) + " of 3 files copied"));
        }
        const bool closed = row.Asked != Request::Escape && row.Answer == QMessageBox::Yes;
        EXPECT_EQ(form->isVisible(), !closed);
        // Closed as any close: the settings file holds the window's state.
        EXPECT_EQ(
            ReadFile(SettingsFilePath()).find("rootdir=" + tmp / "Photos") != std::string::npos,
            closed);
        std::remove(SettingsFilePath().c_str());
    }
}

// A failure's reason follows its line in the messages, indented, and the
// summary becomes a warning that counts the troubles.
TEST_F(QuenbyformTest, AFailuresReasonFollowsItsLineAndTheSummaryWarns) {
    WriteFile(m_work / "Card/a.jpg", "a");
    WriteFile(m_work / "Card/b.jpg", "b");
    for (const char* name : {"Card/a.jpg", "Card/b.jpg"}) {
        SetLocalMtime(m_work / name, 2014, 5, 3, 14, 0);
    }
    // A folder stands where a.jpg's copy should go.
    MakeFolders(m_work / "Photos/2014-05-03/a.jpg");
    auto form = MakeSortingForm(m_work);
    form->Deletesource->setChecked(true);
    MessageBoxAnswers answers;
    form->ExecbutClick();
    const std::string target = m_work / "Photos/2014-05-03/a.jpg";
    const QStringList lines = m_messages.Lines();
    const qsizetype failed =
        lines.indexOf(Q("File " + (m_work / "Card/a.jpg") + " could not copied to " + target));
    ASSERT_GE(failed, 0) << lines.join(QLatin1Char('\n')).toStdString();
    // The system's own words follow ("Is a directory" here).
    EXPECT_TRUE(lines[failed + 1].startsWith(
        Q("    cannot copy " + (m_work / "Card/a.jpg") + " to " + target + ": ")))
        << lines[failed + 1].toStdString();
    ASSERT_EQ(answers.Requests().size(), 1U);
    EXPECT_EQ(answers.Requests()[0].Kind, gui::MessageKind::Warning);
    EXPECT_EQ(answers.Requests()[0].Text,
              QStringLiteral("1 of 2 files copied\nNot copied, not deleted or kept for safety: "
                             "1; see Messages for the reasons.\nSources deleted: 1."));
}

// The options dialog's choices on real files: a name taken by another photo
// is skipped with its reason or kept as both, copies are read back, and a
// preview changes nothing until "Copy now?" is answered "Yes".
TEST_F(QuenbyformTest, OptionsPreviewVerifyAndKeepBothThroughTheWindow) {
    const struct {
        const char* Name;
        bool Preview, Verify, KeepBoth;
        QMessageBox::StandardButton Answer;
        // What the target's day folder holds after it all, and the boxes.
        std::vector<std::pair<const char*, const char*>> Files;
        QStringList Boxes;
    } rows[] = {
        {"Defaults",
         false,
         false,
         false,
         QMessageBox::Ok,
         {{"a.jpg", "a"}, {"b.jpg", "other"}},
         {QStringLiteral("1 of 2 files copied\nNot copied, not deleted or kept for safety: 1; "
                         "see Messages for the reasons.")}},
        {"VerifyAndKeepBoth",
         false,
         true,
         true,
         QMessageBox::Ok,
         {{"a.jpg", "a"}, {"b.jpg", "other"}, {"b-2.jpg", "b"}},
         {QStringLiteral("2 of 2 files copied")}},
        {"PreviewAnsweredNo",
         true,
         false,
         true,
         QMessageBox::No,
         {{"b.jpg", "other"}},
         {QStringLiteral("Copy now?")}},
        {"PreviewAnsweredYes",
         true,
         true,
         true,
         QMessageBox::Yes,
         {{"a.jpg", "a"}, {"b.jpg", "other"}, {"b-2.jpg", "b"}},
         {QStringLiteral("Copy now?"), QStringLiteral("2 of 2 files copied")}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        const TempFolder tmp;
        for (const char* name : {"a.jpg", "b.jpg"}) {
            WriteFile(tmp / (std::string("Card/") + name), std::string(name, 1));
            SetLocalMtime(tmp / (std::string("Card/") + name), 2014, 5, 3, 14, 0);
        }
        WriteFile(tmp / "Photos/2014-05-03/b.jpg", "other");
        auto form = MakeSortingForm(tmp);
        form->show();
        // Chosen as a user does: the button, a click on each box, Close.
        QTest::mouseClick(form->Optionsbut, Qt::LeftButton);
        ASSERT_TRUE(form->Options->isVisible());
        const std::pair<QCheckBox*, bool> choices[] = {{form->Options->Preview, row.Preview},
                                                       {form->Options->VerifyCopies, row.Verify},
                                                       {form->Options->KeepBoth, row.KeepBoth}};
        for (const auto& [box, wanted] : choices) {
            if (wanted) {
                QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
            }
            EXPECT_EQ(box->isChecked(), wanted) << box->objectName().toStdString();
        }
        QTest::mouseClick(form->Options->CloseButton, Qt::LeftButton);
        EXPECT_FALSE(form->Options->isVisible());

        MessageBoxAnswers answers(row.Answer);
        form->ExecbutClick();
        QStringList boxes;
        for (const gui::MessageBoxRequest& request : answers.Requests()) {
            boxes << request.Text;
        }
        EXPECT_EQ(boxes, row.Boxes);
        std::vector<std::pair<std::string, std::string>> files;
        for (const auto& [name, content] : row.Files) {
            files.emplace_back(name, content);
        }
        std::vector<std::pair<std::string, std::string>> found;
        for (const std::string& name : ListFolder(tmp / "Photos/2014-05-03")) {
            found.emplace_back(name, ReadFile(tmp / ("Photos/2014-05-03/" + name)));
        }
        std::sort(files.begin(), files.end());
        std::sort(found.begin(), found.end());
        EXPECT_EQ(found, files);

        const QStringList lines = m_messages.Lines();
        const QString clash = Q("File " + (tmp / "Photos/2014-05-03/b.jpg") + " exists");
        if (!row.KeepBoth) {
            // "exists" as ever, and why it is no copy made before.
            const qsizetype at = lines.indexOf(clash);
            ASSERT_GE(at, 0) << lines.join(QLatin1Char('\n')).toStdString();
            EXPECT_EQ(lines.value(at + 1), Q("    not copied " + (tmp / "Card/b.jpg") +
                                             ": a different file has this name; Keep both "
                                             "keeps both"));
            // The saved messages carry the reason too.
            SaveFileAnswers save(Q(tmp / "messages.rtf"));
            m_messages.Speichernunter1Click();
            // RTF writes a backslash of a Windows path twice.
            std::string source;
            for (const char c : tmp / "Card/b.jpg") {
                source += c == '\\' ? std::string(2, c) : std::string(1, c);
            }
            const std::string rtfLine =
                "    not copied " + source +
                ": a different file has this name; Keep both keeps both\\par";
            EXPECT_NE(ReadFile(tmp / "messages.rtf").find(rtfLine), std::string::npos);
        }
        // The preview's lines stay in view when the answer is "No".
        EXPECT_EQ(lines.value(lines.size() - 1) == QStringLiteral("2 of 2 files would be copied"),
                  row.Answer == QMessageBox::No);
        EXPECT_EQ(m_messages.isVisible(), row.Preview);
        m_messages.hide();
    }
}

#ifndef _WIN32
// Only new photos through the window: what was imported stays away after its
// copy is deleted, and a memory that cannot be used is an error box before
// anything is touched. (On Windows the memory lies in the user's own local
// application data, which a test cannot move.)
TEST_F(QuenbyformTest, OnlyNewPhotosRemembersAndRefusesAnUnusableMemory) {
    const EnvGuard data("XDG_DATA_HOME", m_work / "data");
    WriteFile(m_work / "Card/a.jpg", "a");
    SetLocalMtime(m_work / "Card/a.jpg", 2014, 5, 3, 14, 0);
    MakeFolders(m_work / "Photos");
    auto form = MakeSortingForm(m_work);
    form->Options->OnlyNew->setChecked(true);
    const std::string copy = m_work / "Photos/2014-05-03/a.jpg";
    const std::string memory = m_work / "data/Vexmoor/quenby/imported.sqlite";
    const struct {
        const char* Name;
        bool Damaged;
        gui::MessageKind Box;
        QString Text;
    } rows[] = {
        {"First", false, gui::MessageKind::Information, QStringLiteral("1 of 1 files copied")},
        {"Again", false, gui::MessageKind::Information, QStringLiteral("0 of 1 files copied")},
        {"Damaged", true, gui::MessageKind::Error, Q("the memory of imported photos " + memory)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        std::remove(copy.c_str());
        if (row.Damaged) {
            WriteFile(memory, std::string(4096, 'x'));
        }
        const QStringList before = m_messages.Lines();
        MessageBoxAnswers answers;
        form->ExecbutClick();
        ASSERT_EQ(answers.Requests().size(), 1U);
        EXPECT_EQ(answers.Requests()[0].Kind, row.Box);
        EXPECT_TRUE(answers.Requests()[0].Text.startsWith(row.Text))
            << answers.Requests()[0].Text.toStdString();
        EXPECT_EQ(Exists(copy), std::string_view(row.Name) == "First");
        if (row.Damaged) {
            EXPECT_EQ(m_messages.Lines(), before);
        }
    }
    EXPECT_TRUE(
        m_messages.Lines().contains(Q("File " + (m_work / "Card/a.jpg") + " was imported before")));
}
#endif

TEST_F(QuenbyformTest, CaptionFollowsARunAtScreenRateAndShowsTheFinalCount) {
    auto form = MakeForm();
    form->Trennzeichen->SetItemIndex(0);
    static constexpr int kFiles = 20000;
    form->SetSortRunner([](const SortOptions&, MessageList& messages,
                           const ProgressCallback& progress, const ProblemCallback&,
                           const StopRequest*) {
        for (int i = 1; i <= kFiles; ++i) {
            messages.Add("line " + std::to_string(i));
            const std::string text = FormatText(LoadStr(kStrFilesCopied), {i, kFiles});
            progress({text, SortCounts{i, kFiles, 0}, i});
            if (i % 100 == 0) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        }
        return SortCounts{kFiles, kFiles, 0};
    });
    QStringList captions;
    QObject::connect(form.get(), &QWidget::windowTitleChanged, form.get(),
                     [&captions](const QString& title) { captions << title; });
    QString captionAtBox;
    gui::SetMessageBoxHook([&](const gui::MessageBoxRequest&) {
        captionAtBox = form->windowTitle();
        return QMessageBox::Ok;
    });
    QElapsedTimer clock;
    clock.start();
    form->ExecbutClick();
    const qint64 elapsed = clock.elapsed();
    InstallRefusingHooks();

    EXPECT_EQ(captionAtBox, QStringLiteral("Quenby : 20000 of 20000 files copied"));
    ASSERT_GE(captions.size(), 2);
    // Timers may fire a little early; one caption a file would be 20,000.
    EXPECT_LE(captions.size(), elapsed / 25 + 3) << elapsed << " ms";
    EXPECT_EQ(captions.back(), QStringLiteral("Quenby"));
    const QStringList lines = m_messages.Lines();
    ASSERT_EQ(lines.size(), kFiles);
    EXPECT_EQ(lines.front(), QStringLiteral("line 1"));
    EXPECT_EQ(lines.back(), QStringLiteral("line 20000"));
}

TEST_F(QuenbyformTest, OpenMessagesWindowShowsTheNewLinesHiddenStaysHidden) {
    auto form = MakeForm();
    form->Trennzeichen->SetItemIndex(0);
    form->SetSortRunner([](const SortOptions&, MessageList& messages, const ProgressCallback&,
                           const ProblemCallback&, const StopRequest*) {
        messages.Add("new");
        return SortCounts{};
    });
    MessageBoxAnswers answers;
    form->ExecbutClick();
    EXPECT_FALSE(m_messages.isVisible());
    form->ShowMessagesButClick();
    EXPECT_TRUE(m_messages.isVisible());
    form->ExecbutClick();
    EXPECT_TRUE(m_messages.isVisible());
    EXPECT_EQ(m_messages.Lines(), QStringList{QStringLiteral("new")});
    m_messages.hide();
}

TEST_F(QuenbyformTest, FirstCloseWritesTheWholeSettingsFile) {
    MakeFolders(m_work / "DCIM");
    MakeFolders(m_work / "Kamera");
    MakeFolders(m_work / "Bilder");
    {
        auto form = MakeForm();
        form->Trennzeichen->SetItemIndex(0);
        form->Rootdir->SetPath(Q(m_work / "Bilder"));
        form->Dirs->SetSelectedFolder(Q(m_work / "DCIM"));
        form->AnfuegenbutClick();
        form->Dirliste->addItem(Q(m_work / "Kamera"));
        EXPECT_TRUE(form->close());
    }
    const std::string expected =
        "[Quenbyform]\r\n"
        "SektionVorhanden=1\r\n"
        "optionen=0\r\n"
        "trennzeichen=-\r\n"
        "trennzeichenI=0\r\n"
        "dirliste=-1\r\n"
        "maske=*.jpg;*.avi\r\n"
        "rootdir=" +
        m_work / "Bilder" +
        "\r\n"
        "Prefix=\r\n"
        "Suffix=\r\n"
        "deletesource=0\r\n"
        "useprefix=0\r\n"
        "usecapturedate=0\r\n"
        "preview=0\r\n"
        "verifycopies=0\r\n"
        "keepboth=0\r\n"
        "onlynew=0\r\n"
        "\r\n"
        "[Check]\r\n"
        "WroteSuccesful=1\r\n"
        "\r\n"
        "[Verzeichnisse]\r\n"
        "Quellpfad=" +
        m_work / "DCIM" +
        "\r\n"
        "\r\n"
        "[Quellverzeichnisse]\r\n"
        "Anzahl=2\r\n"
        "Nr1=" +
        m_work / "DCIM" +
        "\r\n"
        "Nr2=" +
        m_work / "Kamera" +
        "\r\n"
        "\r\n";
    EXPECT_EQ(ReadFile(SettingsFilePath()), expected);

    // And back: the next start shows what was stored.
    auto form = MakeForm();
    EXPECT_EQ(form->Trennzeichen->currentIndex(), 0);
    EXPECT_EQ(form->Rootdir->Path(), Q(m_work / "Bilder"));
    EXPECT_EQ(Items(form->Dirliste), (QStringList{Q(m_work / "DCIM"), Q(m_work / "Kamera")}));
    EXPECT_EQ(form->Demo->text(), QStringLiteral("Demo: 2014-05-03"));
}

TEST_F(QuenbyformTest, CloseWritesTheSourceFolders) {
    MakeFolders(m_work / "one");
    MakeFolders(m_work / "two");
    MakeFolders(m_work / "three");
    {
        auto form = MakeForm();
        form->Dirliste->addItems({Q(m_work / "one"), Q(m_work / "two"), Q(m_work / "three")});
        form->Dirs->SetSelectedFolder(Q(m_work / "one"));
        EXPECT_TRUE(form->close());
    }
    const SourceFolderSettings stored = ReadSourceFolderSettings(SettingsFilePath());
    EXPECT_EQ(stored.SourceFolders,
              (std::vector<std::string>{m_work / "one", m_work / "two", m_work / "three"}));
    EXPECT_EQ(stored.SelectedFolder, m_work / "one");

    // The middle folder goes; the list shows two and the next close keeps two.
    ::rmdir((m_work / "two").c_str());
    {
        auto form = MakeForm();
        EXPECT_EQ(Items(form->Dirliste), (QStringList{Q(m_work / "one"), Q(m_work / "three")}));
        EXPECT_EQ(form->Dirs->SelectedFolder(), Q(m_work / "one"));
        EXPECT_TRUE(form->close());
    }
    const std::string text = ReadFile(SettingsFilePath());
    EXPECT_NE(text.find("Anzahl=2\r\nNr1=" + m_work / "one" + "\r\nNr2=" + m_work / "three"),
              std::string::npos)
        << text;
}

TEST_F(QuenbyformTest, CloseWithUnwritableSettingsFolderKeepsTheWindow) {
    // A file where the settings folder should be: no one, root included,
    // can write below it.
    WriteFile(m_work / "blocked", "");
    SetSettingsFilePath(m_work / "blocked/quenby.ini");
    auto form = MakeForm();
    form->Dirliste->addItem(Q(m_work.Path()));
    EXPECT_FALSE(CloseIsRefused(*form).isEmpty());
    ASSERT_EQ(::unlink((m_work / "blocked").c_str()), 0);
    MakeFolders(m_work / "blocked");
    QTest::mouseClick(form->Closebutton, Qt::LeftButton);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(ReadSourceFolderSettings(SettingsFilePath()).SourceFolders,
              std::vector<std::string>{m_work.Path()});
}

TEST_F(QuenbyformTest, ReadOnlySettingsFileIsRefusedAtCloseAndTheWindowStays) {
    EXPECT_TRUE(MakeForm()->close());
    const std::string before = ReadFile(SettingsFilePath());
    ASSERT_EQ(::chmod(SettingsFilePath().c_str(), 0444), 0);
    auto form = MakeForm();
    form->Dirliste->addItem(Q(m_work.Path()));
    EXPECT_EQ(CloseIsRefused(*form), Q("Datei \"" + SettingsFilePath() +
                                       "\" kann nicht erstellt werden. Permission denied"));
    EXPECT_EQ(ReadFile(SettingsFilePath()), before);
    ASSERT_EQ(::chmod(SettingsFilePath().c_str(), 0644), 0);
    EXPECT_TRUE(form->close());
}

TEST_F(QuenbyformTest, DesktopIconButtonWritesALauncherOrSaysWhyNot) {
    EnvGuard config("XDG_CONFIG_HOME", m_work / "xdg");
    WriteFile(m_work / "xdg/user-dirs.dirs", "XDG_DESKTOP_DIR=\"" + m_work / "Desktop" + "\"\n");
    auto form = MakeForm();
    const std::string executable = QCoreApplication::applicationFilePath().toStdString();
    const std::string link =
        m_work /
        ("Desktop/" +
         QCoreApplication::applicationFilePath().section(QLatin1Char('/'), -1).toStdString() +
         ".desktop");
    {
        MessageBoxAnswers answers;
        QTest::mouseClick(form->Addtodesktop, Qt::LeftButton);
        ASSERT_EQ(answers.Requests().size(), 1U);
        EXPECT_EQ(answers.Requests()[0].Kind, gui::MessageKind::Error);
        EXPECT_EQ(answers.Requests()[0].Text,
                  Q("Cannot create file \"" + link + "\". No such file or directory"));
    }
    MakeFolders(m_work / "Desktop");
    QTest::mouseClick(form->Addtodesktop, Qt::LeftButton);
    ASSERT_TRUE(Exists(link));
    const std::string entry = ReadFile(link);
    EXPECT_NE(entry.find("Name=Quenby"), std::string::npos) << entry;
    EXPECT_NE(entry.find("Exec=" + executable), std::string::npos) << entry;
}

TEST_F(QuenbyformTest, EveryInfoPressOpensAnOwnedDialogThatGoesOnClose) {
    auto form = MakeForm();
    QTest::mouseClick(form->ShowInfosBut, Qt::LeftButton);
    QTest::mouseClick(form->ShowInfosBut, Qt::LeftButton);
    const QList<gui::Tinfodialog*> dialogs = form->findChildren<gui::Tinfodialog*>();
    ASSERT_EQ(dialogs.size(), 2);
    EXPECT_TRUE(dialogs[0]->isVisible());
    EXPECT_FALSE(dialogs[0]->isModal());
    EXPECT_EQ(dialogs[0]->Zipname, QStringLiteral("quenby.zip"));
    dialogs[0]->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(form->findChildren<gui::Tinfodialog*>().size(), 1);
}

TEST_F(QuenbyformTest, TabAndShiftTabFollowTheDesignOrder) {
    auto form = MakeForm();
    form->show();
    QApplication::setActiveWindow(form.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    // The date layouts are one stop: Tab enters at the chosen one.
    QWidget* layout = form->Optionen->findChildren<QRadioButton*>()[form->Optionen->ItemIndex()];
    const QList<QWidget*> design = {form->Dirs,
                                    layout,
                                    form->ShowMessagesBut,
                                    form->ShowInfosBut,
                                    form->Trennzeichen,
                                    form->Maske,
                                    form->Dirliste,
                                    form->Delbut,
                                    form->Anfuegenbut,
                                    form->Execbut,
                                    form->Rootdir->Edit(),
                                    form->Rootdir->BrowseButton(),
                                    form->Prefix,
                                    form->Suffix,
                                    form->Addtodesktop,
                                    form->Closebutton,
                                    form->Deletesource,
                                    form->Usecapturedate,
                                    form->Useprefix,
                                    form->Optionsbut};
    for (const bool forward : {true, false}) {
        form->Dirs->setFocus(Qt::OtherFocusReason);
        QList<QWidget*> reached = {QApplication::focusWidget()};
        for (qsizetype i = 0; i < design.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab,
                            forward ? Qt::NoModifier : Qt::ShiftModifier);
            reached << QApplication::focusWidget();
        }
        QList<QWidget*> expected = design;
        if (!forward) {
            std::reverse(expected.begin() + 1, expected.end());
        }
        expected << form->Dirs;
        QStringList names;
        for (const QWidget* widget : reached) {
            names << (widget != nullptr ? widget->objectName() + QLatin1Char(':') +
                                              QString::fromLatin1(widget->metaObject()->className())
                                        : QStringLiteral("none"));
        }
        EXPECT_EQ(reached, expected) << (forward ? "Tab: " : "Shift+Tab: ")
                                     << names.join(QStringLiteral(", ")).toStdString();
    }
}

TEST(ApplicationIconTest, TheWindowsCarryQuenbysIcon) {
    QApplication::setWindowIcon(ApplicationIcon());
    // Drawn as SVG: without Qt's SVG plugin there is no picture to show.
    EXPECT_FALSE(QApplication::windowIcon().isNull());
    EXPECT_FALSE(QApplication::windowIcon().pixmap(32, 32).isNull());
    QApplication::setWindowIcon(QIcon());
}

TEST_F(QuenbyformTest, ButtonsCarryImagesAndAccelerators) {
    auto form = MakeForm();
    for (QPushButton* button :
         {form->Delbut, form->Execbut, form->Anfuegenbut, form->ShowMessagesBut, form->ShowInfosBut,
          form->Addtodesktop, form->Closebutton}) {
        EXPECT_FALSE(button->icon().isNull()) << button->objectName().toStdString();
        EXPECT_TRUE(button->text().contains(QLatin1Char('&')));
    }
    EXPECT_TRUE(form->Execbut->isDefault());
    EXPECT_TRUE(form->Anfuegenbut->toolTip().contains(QStringLiteral("<b>Append</b>")));
    EXPECT_TRUE(form->Anfuegenbut->toolTip().contains(QStringLiteral(":/images/append.png")));
    EXPECT_TRUE(form->Closebutton->toolTip().isEmpty());
}

}  // namespace
}  // namespace quenby::test
