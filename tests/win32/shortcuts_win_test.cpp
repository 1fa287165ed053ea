// Shortcuts against the system's own registry and shell: the folders come
// from the per-user shell-folder values, the links are written and read back
// through the shell's link object. The registry values a test changes are
// put back when it ends.
#include <gtest/gtest.h>
#include <objbase.h>
#include <shlobj.h>
#include <windows.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/process/executable.h"
#include "platform/text/widetext.h"
#include "system/shortcuts.h"
#include "tests/support/tempfolder.h"
#include "tests/win32/shelltestsupport.h"

namespace quenby {
namespace {

using platform::FromWide;
using platform::ToWide;
using test::kShellFolders;
using test::LinkContents;
using test::ReadLink;
using test::RegistryValue;
using test::TempFolder;

constexpr const wchar_t* kGrpConv = L"Software\\Microsoft\\Windows\\CurrentVersion\\GrpConv";

bool KeyExists(const wchar_t* path) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    ::RegCloseKey(key);
    return true;
}

class WindowsShortcutTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        test::WriteFile(m_tmp / "Tools\\Quenby.exe", "MZ");
        test::MakeFolders(m_tmp / "Desktop");
        m_desktop.SetText(m_tmp / "Desktop");
    }
    void TearDown() override { ::CoUninitialize(); }

    std::string Target() const { return m_tmp / "Tools\\Quenby.exe"; }

    TempFolder m_tmp;
    RegistryValue m_desktop{kShellFolders, L"Desktop"};
};

TEST_F(WindowsShortcutTest, TheDesktopLinkIsWrittenAndReplacedWithoutQuestion) {
    CreateDesktopShortcut("Quenby", Target());
    const std::string link = m_tmp / "Desktop\\Quenby.lnk";
    std::optional<LinkContents> read = ReadLink(link);
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->Target, Target());
    EXPECT_EQ(read->WorkingDir, m_tmp / "Tools\\");
    EXPECT_EQ(read->Arguments, "");
    EXPECT_EQ(read->Description, "Quenby");

    // The shell writes its own folders back into these values whenever it
    // likes, so the test's folder is set again before each call.
    m_desktop.SetText(m_tmp / "Desktop");
    EXPECT_EQ(CreateShortcut(Target(), slDesktop, "", "", "--quiet", "Again"), link);
    read = ReadLink(link);
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->Description, "Again");
    EXPECT_EQ(read->Arguments, "--quiet");
    EXPECT_EQ(test::ListFolder(m_tmp / "Desktop"), std::vector<std::string>{"Quenby.lnk"});
}

TEST_F(WindowsShortcutTest, TheDesktopButtonLinksTheRunningProgram) {
    AddToDesktop();
    const std::optional<LinkContents> read = ReadLink(m_tmp / "Desktop\\quenby_shortcut_tests.lnk");
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->Target, platform::ExecutablePath());
    EXPECT_EQ(read->Description, "Quenby");
}

TEST_F(WindowsShortcutTest, SendToSubFoldersAreUsedButNeverMade) {
    RegistryValue sendTo(kShellFolders, L"SendTo");
    sendTo.SetText(m_tmp / "SendTo");
    test::MakeFolders(m_tmp / "SendTo\\Apps\\Media");
    EXPECT_EQ(CreateShortcut(Target(), slSendTo, "Apps\\Media", "C:\\work", "", ""),
              m_tmp / "SendTo\\Apps\\Media\\Quenby.lnk");
    const std::optional<LinkContents> read = ReadLink(m_tmp / "SendTo\\Apps\\Media\\Quenby.lnk");
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->WorkingDir, "C:\\work");
    // The path comes back all the same; the save fails unnoticed.
    sendTo.SetText(m_tmp / "SendTo");
    EXPECT_EQ(CreateShortcut(Target(), slSendTo, "Apps\\Missing", "", "", ""),
              m_tmp / "SendTo\\Apps\\Missing\\Quenby.lnk");
    EXPECT_FALSE(test::Exists(m_tmp / "SendTo\\Apps\\Missing"));
}

TEST_F(WindowsShortcutTest, ACustomFolderIsTakenAsGiven) {
    test::MakeFolders(m_tmp / "Links");
    const std::string withSeparator = (m_tmp / "Links") + "\\";
    const std::string path = CreateShortcut(Target(), slCustomFolder, withSeparator, "", "", "");
    EXPECT_EQ(path, withSeparator + "\\Quenby.lnk");
    EXPECT_TRUE(ReadLink(m_tmp / "Links\\Quenby.lnk").has_value());
    EXPECT_EQ(CreateShortcut(Target(), slCustomFolder, "", "", "", ""), "");
    EXPECT_EQ(CreateShortcut(Target(), static_cast<TShortcutLocation>(6), "", "", "", ""), "");
    // Names: the extension goes, also when there is none or a dot sits in a folder.
    EXPECT_EQ(CreateShortcut("C:\\v1.2\\Quenby", slCustomFolder, m_tmp / "Links", "", "", ""),
              (m_tmp / "Links") + "\\Quenby.lnk");
}

TEST_F(WindowsShortcutTest, QuickLaunchWithoutItsValueLeavesOnlyTheEmptyKey) {
    const bool existed = KeyExists(kGrpConv);
    RegistryValue quickLaunch(L"Software\\Microsoft\\Windows\\CurrentVersion\\GrpConv\\MapGroups",
                              L"Quick Launch");
    quickLaunch.Remove();
    if (!existed) {
        ASSERT_FALSE(KeyExists(kGrpConv));
    }
    EXPECT_EQ(CreateShortcut(Target(), slQuickLaunch, "", "", "", ""), "");
    EXPECT_TRUE(KeyExists(kGrpConv));
    if (!existed) {
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kGrpConv);
    }
}

TEST_F(WindowsShortcutTest, ValuesAreTakenLiterallyAndMustBeText) {
    m_desktop.SetText("%TEMP%\\quenby-unexpanded", REG_EXPAND_SZ);
    EXPECT_EQ(CreateShortcut(Target(), slDesktop, "", "", "", ""),
              "%TEMP%\\quenby-unexpanded\\Quenby.lnk");
    EXPECT_FALSE(test::Exists(m_tmp / "Desktop\\Quenby.lnk"));
    m_desktop.SetNumber(42);
    try {
        CreateShortcut(Target(), slDesktop, "", "", "", "");
        FAIL() << "a number is no folder";
    } catch (const std::exception& error) {
        EXPECT_NE(std::string(error.what()).find("Desktop"), std::string::npos) << error.what();
    }
    m_desktop.Remove();
    EXPECT_EQ(CreateShortcut(Target(), slDesktop, "", "", "", ""), "");
}

}  // namespace
}  // namespace quenby
