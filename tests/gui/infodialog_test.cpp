// The info dialog and the update check against a server the test starts on
// 127.0.0.1. This executable carries file version 1.5.0.0: number 1.05.
#include "windows/infodialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <memory>
#include <random>

#include "gui/helpwindow.h"
#include "settings/numbersettings.h"
#include "sorting/datenaming.h"
#include "tests/gui/guitest.h"
#include "tests/gui/testhttpserver.h"
#include "tests/support/envguard.h"
#include "tests/support/tempfolder.h"
#include "windows/httpclient.h"

using namespace quenby;
using namespace quenby::gui;
using quenby::test::MessageBoxAnswers;
using quenby::test::SaveFileAnswers;
using quenby::test::TestHttpServer;
using quenby::test::TestResponse;

namespace {

TestResponse Text(const QByteArray& body) {
    TestResponse response;
    response.Body = body;
    return response;
}

TestResponse Status(int status, const QByteArray& reason) {
    TestResponse response;
    response.Status = status;
    response.Reason = reason;
    response.Body = reason;
    return response;
}

QByteArray AllBytesShuffled() {
    QByteArray bytes;
    for (int i = 0; i < 256; ++i) {
        bytes.append(static_cast<char>(i));
    }
    std::mt19937 random(7);
    std::shuffle(bytes.begin(), bytes.end(), random);
    return bytes;
}

TestResponse Slow(qsizetype size) {
    TestResponse response;
    response.Body = QByteArray(size, 'z');
    response.ChunkSize = static_cast<int>(size / 10);
    response.ChunkIntervalMs = 150;
    return response;
}

// Waits, bounded, until the condition holds.
bool WaitFor(const std::function<bool()>& condition, int milliseconds = 5000) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > milliseconds) {
            return false;
        }
        QTest::qWait(10);
    }
    return true;
}

class InfoDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetInfoDialogTexts();
        ResetNumberSettings();
        NumberSettings().DecimalSeparator = ".";
        SetUpdateFolderUrl(m_server.FolderUrl());
        SetOpenUrlHook([this](const QUrl& url) {
            m_opened.append(url);
            return m_openSucceeds;
        });
    }
    void TearDown() override {
        delete m_owner.data();
        QTest::qWait(0);
        SetUpdateFolderUrl(QString());
        SetInfoExecutablePath(QString());
        SetOpenUrlHook({});
        ResetInfoDialogTexts();
        ResetNumberSettings();
    }

    // A dialog as the main window's button opens it.
    Tinfodialog* Open() {
        if (m_owner.isNull()) {
            m_owner = new QWidget;
            m_owner->show();
        }
        Tinfodialog* dialog = ShowInfoDialog(m_owner);
        dialog->Http().SetTimeout(5000);
        return dialog;
    }

    quenby::test::EnvGuard m_language{"LC_ALL", std::string("en_US.UTF-8")};
    TestHttpServer m_server;
    QPointer<QWidget> m_owner;
    QList<QUrl> m_opened;
    bool m_openSucceeds = true;
};

TEST(InfoDialogRules, ServerVersionReadsOnlyTheLeadingDigitsAndCommas) {
    struct Row {
        const char* Text;
        bool Ok;
        double Number;
    };
    const Row rows[] = {
        {"1,05\r\n", true, 1.05}, {"1.05", true, 1.0}, {"2,1 beta", true, 2.1},
        {"3", true, 3.0},         {",5", true, 0.5},   {" 1,05", false, 0},
        {"", false, 0},           {"1,0,5", false, 0}, {"abc", false, 0},
        {"1 000,5", true, 1.0},
    };
    for (const Row& row : rows) {
        double number = -7.0;
        const QString text = QString::fromUtf8(row.Text);
        EXPECT_EQ(ReadServerVersion(text, number), row.Ok) << row.Text;
        EXPECT_DOUBLE_EQ(number, row.Ok ? row.Number : -7.0) << row.Text;
    }
    double number = -7.0;
    EXPECT_FALSE(ReadServerVersion(QChar(0xFEFF) + QStringLiteral("1,05"), number));
    EXPECT_DOUBLE_EQ(number, -7.0);
}

TEST(InfoDialogRules, ExtensionsAndFormats) {
    EXPECT_EQ(ReplaceExtension(QStringLiteral("/a/release.rar"), QStringLiteral(".zip")),
              QStringLiteral("/a/release.zip"));
    EXPECT_EQ(ReplaceExtension(QStringLiteral("/a.b/release"), QStringLiteral(".zip")),
              QStringLiteral("/a.b/release.zip"));
    EXPECT_EQ(ReplaceExtension(QStringLiteral("quenby.zip"), QStringLiteral(".ver")),
              QStringLiteral("quenby.ver"));
    ResetNumberSettings();
    NumberSettings().DecimalSeparator = ",";
    EXPECT_EQ(FormatDialogText(QStringLiteral("%f / %f, %d of %d, 100%%"),
                               {1.05, 1.0, qint64{12}, qint64{-1}}),
              QStringLiteral("1,05 / 1,00, 12 of -1, 100%"));
    ResetNumberSettings();
}

TEST_F(InfoDialogTest, ShowsVersionHomepageAndCaptionInEnglish) {
    Tinfodialog* dialog = Open();
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Info about Quenby"));
    EXPECT_EQ(dialog->Versionlabel->text(), QStringLiteral("Version : 1.5.0 Build: 0 (64 Bit)"));
    EXPECT_EQ(dialog->Homepagelabel->text(),
              QStringLiteral("Homepage: ") + MakerSiteUrl() + QStringLiteral("quenby.shtml"));
    EXPECT_EQ(dialog->Zipname, QStringLiteral("quenby.zip"));
    EXPECT_EQ(dialog->Mailadresse, MakerMailAddress());
    EXPECT_EQ(dialog->Okbut->text(), QStringLiteral("&OK"));
    EXPECT_EQ(dialog->Getnewversion->text(), QStringLiteral("&Get new version"));
    EXPECT_EQ(dialog->Homepagebut->text(), QStringLiteral("Visit &homepage"));
    EXPECT_EQ(dialog->Emailbut->text(), QStringLiteral("Send &email"));
    EXPECT_TRUE(dialog->Datumlabel->text().startsWith(QStringLiteral("from : ")));
    // Hints stay German.
    EXPECT_TRUE(dialog->Okbut->toolTip().contains(QStringLiteral("Schließt diesen Dialog")));
    EXPECT_TRUE(dialog->Okbut->isDefault());
    EXPECT_FALSE(dialog->isModal());
    EXPECT_EQ(dialog->parentWidget(), m_owner.data());

    QTest::mouseClick(dialog->Homepagebut, Qt::LeftButton);
    QTest::mouseClick(dialog->Emailbut, Qt::LeftButton);
    ASSERT_EQ(m_opened.size(), 2);
    EXPECT_EQ(m_opened[0], QUrl(MakerSiteUrl() + QStringLiteral("quenby.shtml")));
    EXPECT_EQ(m_opened[1].toString(), QStringLiteral("mailto:") + MakerMailAddress());

    // F1 shows our own text for the dialog.
    dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog));
    QTest::keyClick(dialog, Qt::Key_F1);
    ASSERT_NE(HelpWindow(), nullptr);
    EXPECT_EQ(HelpWindow()->Topic(), kHelpInfoDialog);
    EXPECT_TRUE(HelpWindow()->Text().contains(QStringLiteral("Get new version")));
    DeleteHelpWindow();

    QPointer<Tinfodialog> guarded(dialog);
    QTest::mouseClick(dialog->Okbut, Qt::LeftButton);
    EXPECT_TRUE(WaitFor([&] { return guarded.isNull(); }));
}

TEST_F(InfoDialogTest, GermanUntilAnEnglishDialogWasCreated) {
    {
        quenby::test::EnvGuard german("LC_ALL", std::string("de_DE.UTF-8"));
        Tinfodialog* dialog = Open();
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Info über Quenby"));
        EXPECT_EQ(dialog->Getnewversion->text(), QStringLiteral("&Neue Version"));
        EXPECT_EQ(dialog->Homepagebut->text(), QStringLiteral("&Homepage"));
        EXPECT_EQ(dialog->Emailbut->text(), QStringLiteral("&Mail schreiben"));
        EXPECT_TRUE(dialog->Datumlabel->text().startsWith(QStringLiteral("vom ")));
        // The dialog's own defaults before the main window's values.
        Tinfodialog plain;
        EXPECT_EQ(plain.Zipname, QStringLiteral("quenby_gui_tests.zip"));
        EXPECT_EQ(plain.Homepage, MakerSiteUrl());
        EXPECT_EQ(plain.Mailadresse,
                  QStringLiteral("\"%1\" <%2>").arg(MakerMailName(), MakerMailAddress()));
    }
    Open();
    quenby::test::EnvGuard german("LC_ALL", std::string("de_DE.UTF-8"));
    Tinfodialog* later = Open();
    EXPECT_EQ(later->windowTitle(), QStringLiteral("Info about Quenby"));
    EXPECT_EQ(later->Getnewversion->text(), QStringLiteral("&Neue Version"));
    EXPECT_EQ(ConnectionErrorText, QStringLiteral("Error when connecting the server!"));
}

TEST_F(InfoDialogTest, FileWithoutVersionAtMidnight) {
    quenby::test::TempFolder folder;
    const QString file = QString::fromStdString(folder.Path()) + QStringLiteral("/Tool.EXE");
    {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write("no note here");
    }
    {
        QFile touch(file);
        ASSERT_TRUE(touch.open(QIODevice::ReadWrite));
        ASSERT_TRUE(touch.setFileTime(QDateTime(QDate(2024, 3, 5), QTime(0, 0, 1)),
                                      QFileDevice::FileModificationTime));
    }
    SetInfoExecutablePath(file);
    Tinfodialog* dialog = new Tinfodialog(nullptr);
    m_owner = dialog;
    EXPECT_EQ(dialog->Zipname, QStringLiteral("tool.zip"));
    dialog->show();
    EXPECT_EQ(dialog->Versionlabel->text(), QStringLiteral("Version :  (64 Bit)"));
    DateTimeValue day = 0;
    ASSERT_TRUE(TryEncodeDate(2024, 3, 5, day));
    // 00:00:01 is 00:00:00 at a file date's two seconds: the date alone.
    EXPECT_EQ(dialog->Datumlabel->text(),
              QStringLiteral("from : ") + QString::fromStdString(RenderDate(day, DateNaming())));

    // Without a version of our own the update check ends silently after
    // asking the server.
    m_server.Serve(QStringLiteral("tool.ver"), Text("9,99"));
    dialog->Getnewversionclick();
    EXPECT_EQ(m_server.CountOf("GET", QStringLiteral("tool.ver")), 1);
    EXPECT_EQ(m_server.CountOf("HEAD", QStringLiteral("tool.zip")), 0);
}

TEST_F(InfoDialogTest, EqualVersionIsNoNewerVersion) {
    m_server.Serve(QStringLiteral("quenby.ver"), Text("1,05\r\n"));
    Tinfodialog* dialog = Open();
    MessageBoxAnswers boxes;
    QTest::mouseClick(dialog->Getnewversion, Qt::LeftButton);
    ASSERT_EQ(boxes.Requests().size(), 1u);
    EXPECT_EQ(boxes.Requests()[0].Kind, MessageKind::Information);
    EXPECT_EQ(boxes.Requests()[0].Buttons, QMessageBox::Ok);
    EXPECT_EQ(boxes.Requests()[0].Text, QStringLiteral("You have the actual version installed!"));
    ASSERT_EQ(m_server.Requests().size(), 2);
    EXPECT_EQ(m_server.Requests()[0].Method, "HEAD");
    EXPECT_EQ(m_server.Requests()[1].Method, "GET");
    const auto& headers = m_server.Requests()[1].Headers;
    EXPECT_EQ(headers.value("user-agent"), "Pellinor's Program");
    EXPECT_EQ(headers.value("accept"), "text/html, */*");
    EXPECT_EQ(headers.value("content-type"), "text/html");
    EXPECT_EQ(dialog->Filelen(), 6);
}

TEST_F(InfoDialogTest, NoReadableServerNumberIsAConnectionErrorAndFetchesNothing) {
    struct Row {
        const char* Name;
        TestResponse Response;
    };
    const Row rows[] = {
        {"blank", Text(" 2,00")},
        {"mark", Text("\xEF\xBB\xBF"
                      "2,00")},
        {"missing", Status(404, "Not Found")},
        {"moved",
         [] {
             TestResponse moved = Status(301, "Moved Permanently");
             moved.Headers.append(
                 qMakePair(QByteArray("Location"), QByteArray("/download/elsewhere.ver")));
             return moved;
         }()},
        // A version file is a line; this is no version file.
        {"too large", Text("2,00\n" + QByteArray(64 * 1024, 'x'))},
    };
    m_server.Serve(QStringLiteral("elsewhere.ver"), Text("2,00"));
    const auto connectionErrorOnly = [this](const char* name) {
        Tinfodialog* dialog = Open();
        MessageBoxAnswers boxes(QMessageBox::Yes);
        dialog->Getnewversionclick();
        ASSERT_EQ(boxes.Requests().size(), 1u) << name;
        EXPECT_EQ(boxes.Requests()[0].Kind, MessageKind::Information) << name;
        EXPECT_EQ(boxes.Requests()[0].Text, QStringLiteral("Error when connecting the server!"))
            << name;
    };
    for (const Row& row : rows) {
        m_server.Serve(QStringLiteral("quenby.ver"), row.Response);
        connectionErrorOnly(row.Name);
    }
    // No server at all: a port that the test's own server has just given up.
    const QString folder = [] {
        TestHttpServer gone;
        return gone.FolderUrl();
    }();
    SetUpdateFolderUrl(folder);
    connectionErrorOnly("server down");
    EXPECT_EQ(m_server.CountOf("GET", QStringLiteral("elsewhere.ver")), 0);
    EXPECT_EQ(m_server.CountOf("HEAD", QStringLiteral("quenby.zip")), 0);
    EXPECT_EQ(m_server.CountOf("GET", QStringLiteral("quenby.zip")), 0);
}

TEST_F(InfoDialogTest, OnlyAHigherServerNumberIsOfferedAndTheSeparatorStays) {
    // A dot ends the number: "1.07" is 1, lower than ours.
    for (const char* lower : {"1,04\r\n", "1.07", "0,5"}) {
        TestResponse version = Text(lower);
        version.ChunkSize = 2;
        version.ChunkIntervalMs = 60;
        m_server.Serve(QStringLiteral("quenby.ver"), version);
        Tinfodialog* dialog = Open();
        // What other windows would see while the number is on its way.
        QStringList separators;
        QObject::connect(&dialog->Http(), &THttpClient::Work, dialog, [&separators] {
            separators << QString::fromStdString(NumberSettings().DecimalSeparator);
        });
        MessageBoxAnswers boxes(QMessageBox::Yes);
        dialog->Getnewversionclick();
        EXPECT_GE(separators.size(), 2);
        EXPECT_EQ(separators.count(QStringLiteral(".")), separators.size());
        ASSERT_EQ(boxes.Requests().size(), 1u) << lower;
        EXPECT_EQ(boxes.Requests()[0].Text,
                  QStringLiteral("You have the actual version installed!"))
            << lower;
    }
    m_server.Serve(QStringLiteral("quenby.ver"), Text("1,06"));
    MessageBoxAnswers boxes(QMessageBox::No);
    Open()->Getnewversionclick();
    ASSERT_EQ(boxes.Requests().size(), 1u);
    EXPECT_EQ(
        boxes.Requests()[0].Text,
        QStringLiteral("Version 1.05, on the Server you find 1.06.\ndo you want to upgrade?"));
    EXPECT_EQ(m_server.CountOf("HEAD", QStringLiteral("quenby.zip")), 0);
}

TEST_F(InfoDialogTest, GermanQuestionWithDecimalCommaAndTheSeparatorNeverChanged) {
    quenby::test::EnvGuard german("LC_ALL", std::string("de_DE.UTF-8"));
    NumberSettings().DecimalSeparator = ",";
    m_server.Serve(QStringLiteral("quenby.ver"), Text("1,06\n"));
    Tinfodialog* dialog = Open();
    MessageBoxAnswers boxes(QMessageBox::No);
    dialog->Getnewversionclick();
    ASSERT_EQ(boxes.Requests().size(), 1u);
    const QStringList lines = boxes.Requests()[0].Text.split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], QStringLiteral("Version 1,05, auf dem Server ist 1,06."));
    EXPECT_EQ(lines[1], QStringLiteral("Aktualisieren?"));
}

TEST_F(InfoDialogTest, DownloadSavesEveryByteUnderAZipName) {
    quenby::test::TempFolder folder;
    const QByteArray archive = AllBytesShuffled();
    m_server.Serve(QStringLiteral("quenby.ver"), Text("2,00"));
    m_server.Serve(QStringLiteral("quenby.zip"), Text(archive));
    Tinfodialog* dialog = Open();
    const QString typed = QString::fromStdString(folder.Path()) + QStringLiteral("/release.rar");
    const QString saved = QString::fromStdString(folder.Path()) + QStringLiteral("/release.zip");
    MessageBoxAnswers boxes(QMessageBox::Yes);
    SaveFileAnswers save(typed);
    dialog->Getnewversionclick();

    ASSERT_EQ(save.Requests().size(), 1u);
    EXPECT_EQ(save.Requests()[0].Filter, QStringLiteral("Anything (*.*)|*.*"));
    EXPECT_EQ(save.Requests()[0].DefaultSuffix, QStringLiteral("zip"));
    EXPECT_TRUE(QDir::fromNativeSeparators(save.Requests()[0].FileName)
                    .endsWith(QStringLiteral("/quenby_gui_tests.zip")));
    EXPECT_TRUE(save.Requests()[0].StartFolder.endsWith(QLatin1Char('/')));
    EXPECT_FALSE(QFile::exists(typed));
    QFile file(saved);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), archive);
    ASSERT_EQ(m_opened.size(), 1);
    EXPECT_EQ(m_opened[0], QUrl::fromLocalFile(saved));
    ASSERT_EQ(boxes.Requests().size(), 2u);
    EXPECT_EQ(boxes.Requests()[1].Text,
              QStringLiteral("Installed version 1.05\nVersion on the Server 2.00\nPlease close now "
                             "this program.\nafter that pleas unzip the files of the zip archive "
                             "in the installation folder"));
    EXPECT_EQ(dialog->Filelen(), 256);
    EXPECT_EQ(m_server.CountOf("GET", QStringLiteral("quenby.zip")), 1);
}

TEST_F(InfoDialogTest, ArchiveWithoutContentLengthAndAShellThatCannotOpenIt) {
    quenby::test::TempFolder folder;
    TestResponse archive = Text("PK-no-length");
    archive.SendContentLength = false;
    m_server.Serve(QStringLiteral("quenby.ver"), Text("2,00"));
    m_server.Serve(QStringLiteral("quenby.zip"), archive);
    m_openSucceeds = false;
    Tinfodialog* dialog = Open();
    const QString saved = QString::fromStdString(folder.Path()) + QStringLiteral("/release");
    MessageBoxAnswers boxes(QMessageBox::Yes);
    SaveFileAnswers save(saved);
    dialog->Getnewversionclick();
    EXPECT_EQ(dialog->Filelen(), -1);
    QFile file(saved + QStringLiteral(".zip"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("PK-no-length"));
    ASSERT_EQ(boxes.Requests().size(), 3u);
    EXPECT_EQ(boxes.Requests()[1].Text, QStringLiteral("ZIP Decompressor can not be started!"));
    EXPECT_TRUE(boxes.Requests()[2].Text.startsWith(QStringLiteral("Installed version 1.05")));
}

TEST_F(InfoDialogTest, DownloadFailuresShowTheConnectionError) {
    quenby::test::TempFolder folder;
    m_server.Serve(QStringLiteral("quenby.ver"), Text("2,00"));
    Tinfodialog* dialog = Open();
    const auto connectionErrorAfterYes = [&](const char* what) {
        MessageBoxAnswers boxes(QMessageBox::Yes);
        SaveFileAnswers save(QString::fromStdString(folder.Path()) +
                             QStringLiteral("/missing/sub/x.zip"));
        dialog->Getnewversionclick();
        ASSERT_EQ(boxes.Requests().size(), 2u) << what;
        EXPECT_EQ(boxes.Requests()[1].Kind, MessageKind::Information) << what;
        EXPECT_EQ(boxes.Requests()[1].Text, QStringLiteral("Error when connecting the server!"))
            << what;
    };
    // No archive on the server.
    connectionErrorAfterYes("404");
    // Larger than the bound, with and without a length.
    dialog->Http().SetMaxBodySize(1000);
    m_server.Serve(QStringLiteral("quenby.zip"), Text(QByteArray(5000, 'x')));
    connectionErrorAfterYes("too large");
    TestResponse endless = Text(QByteArray(5000, 'x'));
    endless.SendContentLength = false;
    endless.ChunkSize = 500;
    endless.ChunkIntervalMs = 5;
    m_server.Serve(QStringLiteral("quenby.zip"), endless);
    connectionErrorAfterYes("too large without length");
    // A file that cannot be created.
    dialog->Http().SetMaxBodySize(THttpClient::kDefaultMaxBodySize);
    m_server.Serve(QStringLiteral("quenby.zip"), Text("PK"));
    connectionErrorAfterYes("unwritable");
    EXPECT_TRUE(m_opened.isEmpty());
}

TEST_F(InfoDialogTest, CancelledSaveShowsNothing) {
    m_server.Serve(QStringLiteral("quenby.ver"), Text("2,00"));
    m_server.Serve(QStringLiteral("quenby.zip"), Text("PK"));
    Tinfodialog* dialog = Open();
    MessageBoxAnswers boxes(QMessageBox::Yes);
    SaveFileAnswers save(std::nullopt);
    dialog->Getnewversionclick();
    EXPECT_EQ(boxes.Requests().size(), 1u);
    EXPECT_EQ(save.Requests().size(), 1u);
    EXPECT_TRUE(m_opened.isEmpty());
}

TEST_F(InfoDialogTest, QuitDuringTheSaveDialogWritesNothing) {
    quenby::test::TempFolder folder;
    m_server.Serve(QStringLiteral("quenby.ver"), Text("2,00"));
    m_server.Serve(QStringLiteral("quenby.zip"), Text("PK"));
    Tinfodialog* dialog = Open();
    const QString target = QString::fromStdString(folder.Path()) + QStringLiteral("/q.zip");
    bool held = false;
    SetSaveFileHook([&](const SaveFileRequest&) {
        QEvent quit(QEvent::Quit);
        QCoreApplication::sendEvent(QCoreApplication::instance(), &quit);
        held = TQuitHolder::Instance().QuitPending();
        return std::optional<QString>(target);
    });
    MessageBoxAnswers boxes(QMessageBox::Yes);
    dialog->Getnewversionclick();
    quenby::test::InstallRefusingHooks();
    EXPECT_TRUE(held);
    EXPECT_FALSE(QFile::exists(target));
    EXPECT_EQ(boxes.Requests().size(), 1u);
    EXPECT_TRUE(m_opened.isEmpty());
}

TEST_F(InfoDialogTest, SilentServerTimesOut) {
    TestResponse silent;
    silent.Silent = true;
    m_server.Serve(QStringLiteral("quenby.ver"), silent);
    Tinfodialog* dialog = Open();
    dialog->Http().SetTimeout(300);
    MessageBoxAnswers boxes(QMessageBox::No);
    QElapsedTimer clock;
    clock.start();
    dialog->Getnewversionclick();
    EXPECT_LT(clock.elapsed(), 4000);
    ASSERT_EQ(boxes.Requests().size(), 1u);
    EXPECT_EQ(boxes.Requests()[0].Text, QStringLiteral("Error when connecting the server!"));
}

class SlowDownloadTest : public InfoDialogTest {
protected:
    // Runs `action` once, from the event loop, when the archive's first bytes
    // have arrived: the moment does not depend on how busy the machine is.
    static void DuringArchiveTransfer(Tinfodialog* dialog, std::function<void()> action) {
        auto done = std::make_shared<bool>(false);
        QObject::connect(
            &dialog->Http(), &THttpClient::Work, dialog, [dialog, done, action](qint64 bytes) {
                if (*done || dialog->Filelen() != 1000 || bytes <= 0 || bytes >= 1000) {
                    return;
                }
                *done = true;
                QTimer::singleShot(0, dialog, action);
            });
    }

    void SetUp() override {
        InfoDialogTest::SetUp();
        m_server.Serve(QStringLiteral("quenby.ver"), Text("2,00"));
        m_server.Serve(QStringLiteral("quenby.zip"), Slow(1000));
    }
};

TEST_F(SlowDownloadTest, StatusBarShowsTheBytesSoFar) {
    quenby::test::TempFolder folder;
    Tinfodialog* dialog = Open();
    QStringList texts;
    QObject::connect(dialog->StatusBar, &QStatusBar::messageChanged, dialog,
                     [&texts](const QString& text) { texts << text; });
    MessageBoxAnswers boxes(QMessageBox::Yes);
    SaveFileAnswers save(QString::fromStdString(folder.Path()) + QStringLiteral("/q.zip"));
    dialog->Getnewversionclick();
    EXPECT_EQ(boxes.Requests().size(), 2u);
    const QString last = QStringLiteral("1000 of 1000 Bytes downloaded");
    EXPECT_TRUE(texts.contains(last)) << texts.join(QLatin1Char('|')).toStdString();
    const bool partial = std::any_of(texts.begin(), texts.end(), [&](const QString& text) {
        return text.endsWith(QStringLiteral(" of 1000 Bytes downloaded")) && text != last &&
               !text.startsWith(QStringLiteral("0 "));
    });
    EXPECT_TRUE(partial) << texts.join(QLatin1Char('|')).toStdString();
}

TEST_F(SlowDownloadTest, SecondPressDuringTheTransferStartsNothing) {
    quenby::test::TempFolder folder;
    Tinfodialog* dialog = Open();
    int pressesDuring = 0;
    DuringArchiveTransfer(dialog, [&] {
        EXPECT_TRUE(dialog->UpdateRunning());
        EXPECT_FALSE(dialog->Getnewversion->isEnabled());
        dialog->Getnewversionclick();
        ++pressesDuring;
    });
    MessageBoxAnswers boxes(QMessageBox::Yes);
    SaveFileAnswers save(QString::fromStdString(folder.Path()) + QStringLiteral("/q.zip"));
    dialog->Getnewversionclick();
    EXPECT_EQ(pressesDuring, 1);
    EXPECT_EQ(boxes.Requests().size(), 2u);
    EXPECT_EQ(save.Requests().size(), 1u);
    EXPECT_EQ(m_server.CountOf("GET", QStringLiteral("quenby.ver")), 1);
    EXPECT_EQ(m_server.CountOf("GET", QStringLiteral("quenby.zip")), 1);
    EXPECT_TRUE(dialog->Getnewversion->isEnabled());
    // The client itself refuses a request while one runs.
    QByteArray body;
    bool refused = false;
    QTimer::singleShot(100, dialog, [&] {
        refused =
            !dialog->Http().Get(QUrl(m_server.FolderUrl() + QStringLiteral("quenby.ver")), body);
    });
    EXPECT_TRUE(
        dialog->Http().Get(QUrl(m_server.FolderUrl() + QStringLiteral("quenby.zip")), body));
    EXPECT_TRUE(refused);
    EXPECT_EQ(body.size(), 1000);
}

TEST_F(SlowDownloadTest, ClosingTheDialogWaitsForTheRequest) {
    Tinfodialog* dialog = Open();
    QPointer<Tinfodialog> guarded(dialog);
    bool aliveAfterClose = false;
    DuringArchiveTransfer(dialog, [&] {
        dialog->close();
        QTest::qWait(50);
        aliveAfterClose = !guarded.isNull() && dialog->isVisible();
    });
    MessageBoxAnswers boxes(QMessageBox::Yes);
    dialog->Getnewversionclick();
    EXPECT_TRUE(aliveAfterClose);
    // The transfer stopped: no save dialog, no box after the question.
    EXPECT_EQ(boxes.Requests().size(), 1u);
    EXPECT_TRUE(WaitFor([&] { return guarded.isNull(); }));
}

TEST_F(SlowDownloadTest, TwoDialogsOneClosedTheOtherWorking) {
    quenby::test::TempFolder folder;
    Tinfodialog* first = Open();
    Tinfodialog* second = Open();
    QPointer<Tinfodialog> firstGuard(first);
    QTimer::singleShot(0, first, [first] { first->close(); });
    MessageBoxAnswers boxes(QMessageBox::Yes);
    SaveFileAnswers save(QString::fromStdString(folder.Path()) + QStringLiteral("/q.zip"));
    second->Getnewversionclick();
    EXPECT_TRUE(WaitFor([&] { return firstGuard.isNull(); }));
    ASSERT_EQ(boxes.Requests().size(), 2u);
    QFile file(QString::fromStdString(folder.Path()) + QStringLiteral("/q.zip"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.size(), 1000);
}

TEST_F(SlowDownloadTest, QuittingWaitsForTheRequest) {
    Tinfodialog* dialog = Open();
    QPointer<Tinfodialog> guarded(dialog);
    QPointer<QWidget> owner(m_owner);
    bool held = false;
    DuringArchiveTransfer(dialog, [&] {
        // What closing the main window ends in.
        m_owner->close();
        QEvent quit(QEvent::Quit);
        QCoreApplication::sendEvent(QCoreApplication::instance(), &quit);
        QTest::qWait(50);
        held = TQuitHolder::Instance().QuitPending() && !guarded.isNull();
    });
    MessageBoxAnswers boxes(QMessageBox::Yes);
    dialog->Getnewversionclick();
    EXPECT_TRUE(held);
    EXPECT_EQ(boxes.Requests().size(), 1u);
    EXPECT_FALSE(TQuitHolder::Instance().QuitPending());
    EXPECT_EQ(TQuitHolder::Instance().Holds(), 0);
    EXPECT_FALSE(guarded.isNull());
}

}  // namespace
