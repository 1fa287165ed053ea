// Where the settings live on Windows and what the file looks like there.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/process/executable.h"
#include "platform/text/widetext.h"
#include "settings/appfolders.h"
#include "settings/errors.h"
#include "settings/foldersections.h"
#include "settings/inifile.h"
#include "tests/support/tempfolder.h"

namespace quenby {
namespace {

using test::TempFolder;

std::string UserName() {
    wchar_t name[256] = {};
    const DWORD length = ::GetEnvironmentVariableW(L"USERNAME", name, 256);
    return platform::FromWide(std::wstring_view(name, length));
}

bool EqualsIgnoringCase(const std::string& a, const std::string& b) {
    return ::CompareStringOrdinal(platform::ToWide(a).c_str(), -1, platform::ToWide(b).c_str(), -1,
                                  TRUE) == CSTR_EQUAL;
}

TEST(WindowsAppFoldersTest, TheSettingsLiveUnderTheRoamingFolder) {
    const std::string roaming = "C:\\users\\" + UserName() + "\\AppData\\Roaming\\";
    EXPECT_TRUE(EqualsIgnoringCase(GetSpecialFolder(CSIDL_APPDATA), roaming))
        << GetSpecialFolder(CSIDL_APPDATA);
    EXPECT_TRUE(
        EqualsIgnoringCase(ComposeAppFolder("D:\\apps\\Quenby.exe"), roaming + "Vexmoor\\Quenby\\"))
        << ComposeAppFolder("D:\\apps\\Quenby.exe");
    EXPECT_TRUE(
        ComposeSettingsFilePath("D:\\apps\\Quenby.exe").ends_with("\\Vexmoor\\Quenby\\Quenby.ini"));
    EXPECT_TRUE(ComposeSettingsFilePath("C:\\Tools\\quenby.v2.exe")
                    .ends_with("\\Vexmoor\\quenby.v2\\quenby.v2.ini"));
    // A drive name ends the folder part too.
    EXPECT_EQ(ExecutableFileName("C:quenby.exe"), "quenby.exe");
    EXPECT_EQ(ExecutableFolder("C:\\v1.2\\Quenby"), "C:\\v1.2\\");
    EXPECT_EQ(ExecutableBaseName("C:\\v1.2\\Quenby"), "Quenby");

    // Each shell folder comes with one trailing "\" and nothing else.
    for (const int csidl : {CSIDL_PERSONAL, CSIDL_DESKTOPDIRECTORY, CSIDL_SENDTO, CSIDL_PROFILE,
                            CSIDL_WINDOWS, CSIDL_FONTS}) {
        const std::string folder = GetSpecialFolder(csidl);
        ASSERT_GE(folder.size(), 4U) << csidl;
        EXPECT_EQ(folder.substr(1, 2), ":\\") << folder;
        EXPECT_EQ(folder.back(), '\\') << folder;
        EXPECT_NE(folder[folder.size() - 2], '\\') << folder;
    }
    // The network neighbourhood has no place in the file system.
    EXPECT_EQ(GetSpecialFolder(CSIDL_INTERNET), "");
    EXPECT_EQ(GetSpecialFolder(-5), "");
    EXPECT_EQ(GetTempFolder().back(), '\\');
    InitFolders(platform::ExecutablePath());
    EXPECT_TRUE(
        EqualsIgnoringCase(AppFolders().AppFolder, roaming + "Vexmoor\\quenby_core_tests\\"));
    EXPECT_EQ(AppFolders().SettingsFilePath, AppFolders().AppFolder + "quenby_core_tests.ini");
    EXPECT_NE(::GetFileAttributesW(platform::ToWide(AppFolders().AppFolder).c_str()),
              INVALID_FILE_ATTRIBUTES);
    ::RemoveDirectoryW(platform::ToWide(AppFolders().AppFolder).c_str());
    ResetFolders();
}

TEST(WindowsAppFoldersTest, ForceFoldersMakesEveryMissingLevel) {
    TempFolder tmp;
    EXPECT_TRUE(ForceFolders(tmp / "Vexmoor\\quenby\\"));
    EXPECT_TRUE(test::Exists(tmp / "Vexmoor\\quenby"));
    EXPECT_TRUE(ForceFolders(tmp / "Vexmoor"));
    EXPECT_TRUE(ForceFolders("C:\\"));
    test::WriteFile(tmp / "file", "x");
    EXPECT_FALSE(ForceFolders(tmp / "file\\below"));
    EXPECT_THROW(ForceFolders(""), FolderCreateError);
}

TEST(WindowsSettingsFileTest, TheExampleFileByteForByteInTheAnsiCodePage) {
    TempFolder tmp;
    test::MakeFolders(tmp / "DCIM");
    test::MakeFolders(tmp / "Kamera");
    const std::string path = tmp / "quenby.ini";
    {
        TMemIniFile ini(path);
        ini.WriteBool("Quenbyform", "SektionVorhanden", true);
        ini.WriteInteger("Quenbyform", "optionen", 0);
        ini.WriteString("Quenbyform", "trennzeichen", "-");
        ini.WriteInteger("Quenbyform", "trennzeichenI", 0);
        ini.WriteInteger("Quenbyform", "dirliste", -1);
        ini.WriteString("Quenbyform", "maske", "*.jpg;*.avi");
        ini.WriteString("Quenbyform", "rootdir", "D:\\Bilder");
        ini.WriteString("Quenbyform", "Prefix", "");
        ini.WriteString("Quenbyform", "Suffix", "");
        ini.WriteBool("Quenbyform", "deletesource", false);
        ini.WriteBool("Quenbyform", "useprefix", false);
        ini.WriteInteger("Check", "WroteSuccesful", 1);
        ini.UpdateFile();
    }
    WriteSourceFolderSettings(path, {"E:\\DCIM", "F:\\Kamera"}, "E:\\DCIM");
    EXPECT_EQ(test::ReadFile(path),
              "[Quenbyform]\r\nSektionVorhanden=1\r\noptionen=0\r\ntrennzeichen=-\r\n"
              "trennzeichenI=0\r\ndirliste=-1\r\nmaske=*.jpg;*.avi\r\nrootdir=D:\\Bilder\r\n"
              "Prefix=\r\nSuffix=\r\ndeletesource=0\r\nuseprefix=0\r\n\r\n"
              "[Check]\r\nWroteSuccesful=1\r\n\r\n"
              "[Verzeichnisse]\r\nQuellpfad=E:\\DCIM\r\n\r\n"
              "[Quellverzeichnisse]\r\nAnzahl=2\r\nNr1=E:\\DCIM\r\nNr2=F:\\Kamera\r\n\r\n");

    // A name the code page holds is written in it; one it cannot hold turns
    // the file into UTF-8 with its mark, so the folder survives the restart.
    WriteSourceFolderSettings(path, {tmp / "Müll"}, "");
    EXPECT_NE(test::ReadFile(path).find("Nr1=" + tmp.Path() + "\\M\xFCll\r\n"), std::string::npos);
    test::MakeFolders(tmp / "Фото");
    WriteSourceFolderSettings(path, {tmp / "Фото", tmp / "DCIM"}, "");
    EXPECT_EQ(test::ReadFile(path).substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_EQ(ReadSourceFolderSettings(path).SourceFolders,
              (std::vector<std::string>{tmp / "Фото", tmp / "DCIM"}));
}

TEST(WindowsSettingsFileTest, ALockedFileGivesTheOpenAndCreateErrorsAndStaysWhole) {
    TempFolder tmp;
    const std::string path = tmp / "quenby.ini";
    test::WriteFile(path, "[Check]\r\nWroteSuccesful=1\r\n");
    TMemIniFile ini(path);
    ini.WriteString("Verzeichnisse", "Quellpfad", "E:\\DCIM");
    // Another program holds the file without sharing it.
    const HANDLE holder = ::CreateFileW(platform::ToWide(path).c_str(), GENERIC_READ, 0, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    try {
        ini.UpdateFile();
        ADD_FAILURE() << "the locked file was replaced";
    } catch (const FileCreateError& error) {
        EXPECT_TRUE(std::string(error.what())
                        .starts_with("Datei \"" + path + "\" kann nicht erstellt werden. "))
            << error.what();
    }
    try {
        TMemIniFile again(path);
        ADD_FAILURE() << "the locked file was read";
    } catch (const FileOpenError& error) {
        EXPECT_TRUE(std::string(error.what())
                        .starts_with("Datei " + path + " kann nicht geöffnet werden. "))
            << error.what();
    }
    ::CloseHandle(holder);
    EXPECT_EQ(test::ReadFile(path), "[Check]\r\nWroteSuccesful=1\r\n");
    EXPECT_EQ(test::ListFolder(tmp.Path()), std::vector<std::string>{"quenby.ini"});
}

}  // namespace
}  // namespace quenby
