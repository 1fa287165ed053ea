// The main window as a Windows program: its design font is there, its desktop
// icon is a shell link that the system's shell reads back, and its settings
// file is in the ANSI code page.
#include <gtest/gtest.h>
#include <objbase.h>
#include <windows.h>

#include <QPushButton>
#include <QTest>
#include <cwchar>

#include "app/quenbymain.h"
#include "controls/jampathedit.h"
#include "controls/stdcontrols.h"
#include "platform/process/executable.h"
#include "settings/appfolders.h"
#include "tests/support/tempfolder.h"
#include "tests/win32/shelltestsupport.h"
#include "windows/messageswindow.h"

namespace quenby::test {
namespace {

using gui::TMeldungsformular;
using gui::TQuenbyform;

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

class WindowsQuenbyformTest : public testing::Test {
protected:
    WindowsQuenbyformTest() {
        MakeFolders(m_work / "config");
        SetSettingsFilePath(m_work / "config\\quenby.ini");
    }
    ~WindowsQuenbyformTest() override { ResetFolders(); }

    TempFolder m_work;
    TMeldungsformular m_messages;
};

// The windows platform draws with the system's fonts; the offscreen one of
// these tests has none of its own, so the system is asked directly.
TEST(WindowsFontTest, TahomaTheDesignFontIsInstalled) {
    const HDC dc = ::CreateCompatibleDC(nullptr);
    ASSERT_NE(dc, nullptr);
    LOGFONTW wanted{};
    wanted.lfCharSet = DEFAULT_CHARSET;
    std::wcscpy(wanted.lfFaceName, L"Tahoma");
    bool found = false;
    ::EnumFontFamiliesExW(
        dc, &wanted,
        [](const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) -> int {
            *reinterpret_cast<bool*>(found) = true;
            return 0;
        },
        reinterpret_cast<LPARAM>(&found), 0);
    ::DeleteDC(dc);
    // A fresh Wine prefix has no Tahoma: Debian's fonts-wine brings Wine's own.
    EXPECT_TRUE(found) << "Tahoma is not installed";
}

// Changes the user's shell folders, so ctest runs it alone (RESOURCE_LOCK).
TEST_F(WindowsQuenbyformTest, RegistryDesktopIconButtonWritesALinkTheShellReadsBack) {
    ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    {
        TQuenbyform form(&m_messages);
        // The shell writes its own folders back into these values when a
        // window asks it for one, so the test's folder goes in last.
        RegistryValue desktop(kShellFolders, L"Desktop");
        desktop.SetText(m_work / "Desktop");
        MakeFolders(m_work / "Desktop");
        QTest::mouseClick(form.Addtodesktop, Qt::LeftButton);

        const std::string executable = platform::ExecutablePath();
        const std::string name = executable.substr(executable.rfind('\\') + 1);
        const std::string link = m_work / ("Desktop\\" + name.substr(0, name.rfind('.')) + ".lnk");
        EXPECT_EQ(ListFolder(m_work / "Desktop"),
                  std::vector<std::string>{link.substr(link.rfind('\\') + 1)});
        const std::optional<LinkContents> read = ReadLink(link);
        ASSERT_TRUE(read.has_value()) << link;
        EXPECT_EQ(read->Target, executable);
        EXPECT_EQ(read->WorkingDir, executable.substr(0, executable.rfind('\\') + 1));
        EXPECT_EQ(read->Arguments, "");
        EXPECT_EQ(read->Description, "Quenby");
    }
    ::CoUninitialize();
}

TEST_F(WindowsQuenbyformTest, CloseWritesTheSettingsInTheAnsiCodePage) {
    if (::GetACP() != 1252) {
        GTEST_SKIP() << "the expected bytes are those of code page 1252; this system uses "
                     << ::GetACP();
    }
    MakeFolders(m_work / "Bilder \xC3\x84");      // "Bilder Ä"
    MakeFolders(m_work / "Kamera \xE2\x82\xAC");  // "Kamera €"
    {
        TQuenbyform form(&m_messages);
        form.Prefix->setText(QStringLiteral("Urlaub \u00E9t\u00E9"));
        form.Rootdir->SetPath(Q(m_work / "Bilder \xC3\x84"));
        form.Dirliste->addItem(Q(m_work / "Kamera \xE2\x82\xAC"));
        EXPECT_TRUE(form.close());
    }
    const std::string text = ReadFile(SettingsFilePath());
    for (const std::string& line :
         {std::string("\r\nPrefix=Urlaub \xE9t\xE9\r\n"),
          "\r\nrootdir=" + m_work.Path() + "\\Bilder \xC4\r\n",
          "\r\nAnzahl=1\r\nNr1=" + m_work.Path() + "\\Kamera \x80\r\n\r\n"}) {
        EXPECT_NE(text.find(line), std::string::npos) << line << " in\n" << text;
    }
    EXPECT_EQ(text.find("\xEF\xBB\xBF"), std::string::npos);

    // And back: the next start shows the same names.
    TQuenbyform form(&m_messages);
    EXPECT_EQ(form.Prefix->text(), QStringLiteral("Urlaub \u00E9t\u00E9"));
    EXPECT_EQ(form.Rootdir->Path(), Q(m_work / "Bilder \xC3\x84"));
    ASSERT_EQ(form.Dirliste->count(), 1);
    EXPECT_EQ(form.Dirliste->item(0)->text(), Q(m_work / "Kamera \xE2\x82\xAC"));
}

}  // namespace
}  // namespace quenby::test
