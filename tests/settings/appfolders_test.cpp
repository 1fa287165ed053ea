#include "settings/appfolders.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/shell/shellfolders.h"
#include "settings/errors.h"
#include "tests/support/envguard.h"
#include "tests/support/tempfolder.h"

namespace quenby {
namespace {

using test::EnvGuard;
using test::TempFolder;

TEST(AppFoldersTest, ExecutableNameRules) {
    const struct {
        const char* path;
        const char* fileName;
        const char* baseName;
        const char* ini;
        const char* folder;
    } cases[] = {
        {"/usr/bin/quenby", "quenby", "quenby", "quenby.ini", "/usr/bin/"},
        {"/opt/apps/Quenby", "Quenby", "Quenby", "Quenby.ini", "/opt/apps/"},
        {"/opt/quenby.v2", "quenby.v2", "quenby.v2", "quenby.v2.ini", "/opt/"},
        {"/opt/quenby.exe", "quenby.exe", "quenby.exe", "quenby.exe.ini", "/opt/"},
        {"/home/ann.b/bin/quenby", "quenby", "quenby", "quenby.ini", "/home/ann.b/bin/"},
        {"/tools/a:b/quenby", "quenby", "quenby", "quenby.ini", "/tools/a:b/"},
        {"quenby", "quenby", "quenby", "quenby.ini", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ExecutableFileName(c.path), c.fileName) << c.path;
        EXPECT_EQ(ExecutableBaseName(c.path), c.baseName) << c.path;
        EXPECT_EQ(SettingsFileName(c.path), c.ini) << c.path;
        EXPECT_EQ(ExecutableFolder(c.path), c.folder) << c.path;
    }
    EXPECT_EQ(ChangeFileExt("/cfg/quenby.ini", ".bak"), "/cfg/quenby.bak");
    EXPECT_EQ(ChangeFileExt("/cfg.d/quenby", ".bak"), "/cfg.d/quenby.bak");
}

class AppFoldersFixture : public ::testing::Test {
protected:
    void TearDown() override { ResetFolders(); }

    TempFolder m_home;
    EnvGuard m_homeVariable{"HOME", m_home.Path()};
    EnvGuard m_config{"XDG_CONFIG_HOME", m_home / "config"};
};

TEST_F(AppFoldersFixture, FirstStartCreatesBothLevelsAndNamesTheFileAfterTheExecutable) {
    const std::string config = m_home / "config";
    test::MakeFolders(config);
    InitFolders("/opt/apps/quenby");
    EXPECT_EQ(SettingsFilePath(), config + "/Vexmoor/quenby/quenby.ini");
    EXPECT_EQ(AppFolders().AppFolder, config + "/Vexmoor/quenby/");
    EXPECT_TRUE(test::Exists(config + "/Vexmoor/quenby"));

    // Moving the executable keeps the settings; renaming it gives new ones.
    InitFolders("/usr/local/bin/quenby");
    EXPECT_EQ(SettingsFilePath(), config + "/Vexmoor/quenby/quenby.ini");
    InitFolders("/opt/quenby.v2");
    EXPECT_EQ(SettingsFilePath(), config + "/Vexmoor/quenby.v2/quenby.v2.ini");
    InitFolders("/opt/Quenby");
    EXPECT_EQ(SettingsFilePath(), config + "/Vexmoor/Quenby/Quenby.ini");
    EXPECT_EQ(test::ListFolder(config + "/Vexmoor"),
              (std::vector<std::string>{"Quenby", "quenby", "quenby.v2"}));

    // The running executable is the default.
    InitFolders();
    EXPECT_EQ(SettingsFilePath(), config + "/Vexmoor/quenby_core_tests/quenby_core_tests.ini");
}

TEST_F(AppFoldersFixture, AnExistingFolderIsLeftAlone) {
    const std::string app = m_home / "config/Vexmoor/quenby";
    test::WriteFile(app + "/quenby.ini", "[A]\r\n");
    ::chmod(app.c_str(), 0500);
    EXPECT_EQ(GetAppFolder("/bin/quenby"), app + "/");
    EXPECT_EQ(test::ListFolder(app), std::vector<std::string>{"quenby.ini"});
    EXPECT_EQ(test::ReadFile(app + "/quenby.ini"), "[A]\r\n");
}

TEST_F(AppFoldersFixture, RoamingFolderFallsBackToHomeConfig) {
    const EnvGuard noConfig("XDG_CONFIG_HOME", std::nullopt);
    EXPECT_EQ(GetSpecialFolder(CSIDL_APPDATA), m_home / ".config/");
    const EnvGuard relative("XDG_CONFIG_HOME", "relative/config");
    EXPECT_EQ(ComposeSettingsFilePath("/bin/quenby"), m_home / ".config/Vexmoor/quenby/quenby.ini");
}

TEST_F(AppFoldersFixture, ShellFoldersFromTheUserDirs) {
    test::WriteFile(m_home / "config/user-dirs.dirs",
                    "# written by xdg-user-dirs-update\n"
                    "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n"
                    "XDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n"
                    "XDG_PICTURES_DIR=\"/srv/Bilder mit \\\"Quote\\\"\"\n"
                    "XDG_MUSIC_DIR=relative/Musik\n");
    InitFolders("/bin/quenby");
    EXPECT_EQ(DocumentsFolder(), m_home / "Dokumente/");
    EXPECT_EQ(GetSpecialFolder(CSIDL_DESKTOP), m_home / "Schreibtisch/");
    EXPECT_EQ(GetSpecialFolder(CSIDL_DESKTOPDIRECTORY), m_home / "Schreibtisch/");
    EXPECT_EQ(GetSpecialFolder(CSIDL_MYPICTURES), "/srv/Bilder mit \"Quote\"/");
    // Not named, or named as no folder can be: the home folder, as
    // xdg-user-dir says.
    EXPECT_EQ(GetSpecialFolder(CSIDL_MYMUSIC), m_home.Path() + "/");
    EXPECT_EQ(GetSpecialFolder(CSIDL_MYVIDEO), m_home.Path() + "/");
    EXPECT_EQ(GetSpecialFolder(CSIDL_PROFILE), m_home.Path() + "/");
    EXPECT_EQ(GetSpecialFolder(CSIDL_STARTUP), m_home / "config/autostart/");
    EXPECT_EQ(GetSpecialFolder(CSIDL_SENDTO), "");
    EXPECT_EQ(GetSpecialFolder(CSIDL_INTERNET), "");
    EXPECT_EQ(ExecutableFolder("/bin/quenby"), "/bin/");
    EXPECT_FALSE(GetTempFolder().empty());
    EXPECT_EQ(GetTempFolder().back(), '/');

    // No user-dirs file: the home folder, the desktop below it.
    ::unlink((m_home / "config/user-dirs.dirs").c_str());
    InitFolders("/bin/quenby");
    EXPECT_EQ(DocumentsFolder(), m_home.Path() + "/");
    EXPECT_EQ(GetSpecialFolder(CSIDL_DESKTOP), m_home / "Desktop/");
    ResetFolders();
    EXPECT_EQ(SettingsFilePath(), "");
    SetSettingsFilePath(m_home / "test.ini");
    SetDocumentsFolder(m_home / "docs/");
    EXPECT_EQ(SettingsFilePath(), m_home / "test.ini");
    EXPECT_EQ(DocumentsFolder(), m_home / "docs/");
}

TEST_F(AppFoldersFixture, TempFolderFollowsTmpdir) {
    {
        const EnvGuard tmp("TMPDIR", m_home / "tmp");
        EXPECT_EQ(GetTempFolder(), m_home / "tmp/");
    }
    const EnvGuard none("TMPDIR", std::nullopt);
    EXPECT_EQ(GetTempFolder(), "/tmp/");
    EXPECT_EQ(OSErrorText(0), "Ein Aufruf einer Betriebssystemfunktion ist fehlgeschlagen");
    EXPECT_EQ(OSErrorText(2), "Systemfehler.  Code: 2.\r\nNo such file or directory");
}

TEST(ForceFoldersTest, CreatesEveryMissingLevel) {
    TempFolder folder;
    EXPECT_TRUE(ForceFolders(folder / "a/b/c/"));
    EXPECT_TRUE(test::Exists(folder / "a/b/c"));
    EXPECT_TRUE(ForceFolders(folder / "a/b"));
    EXPECT_TRUE(ForceFolders("/"));
    try {
        ForceFolders("");
        ADD_FAILURE() << "no error for an empty path";
    } catch (const FolderCreateError& error) {
        EXPECT_STREQ(error.what(), "Verzeichnis kann nicht erstellt werden");
    }
    // A file in the way.
    test::WriteFile(folder / "file", "x");
    EXPECT_FALSE(ForceFolders(folder / "file/sub"));
    EXPECT_FALSE(test::Exists(folder / "file/sub"));
}

TEST(UserDirsTest, OnlyTheTwoAllowedFormsCount) {
    const auto dirs = platform::ParseUserDirs(
        "XDG_A_DIR=\"$HOME/A\"\r\n"
        "  XDG_B_DIR = \"/abs/B/\"  \n"
        "XDG_C_DIR=\"$HOMEX/C\"\n"
        "XDG_D_DIR=\"~/D\"\n"
        "XDG_E_DIR=\"$HOME\"\n"
        "#XDG_F_DIR=\"/F\"\n"
        "XDG_G_DIR=/unquoted\n",
        "/home/ann");
    const std::map<std::string, std::string> expected = {
        {"XDG_A_DIR", "/home/ann/A"}, {"XDG_B_DIR", "/abs/B"}, {"XDG_E_DIR", "/home/ann"}};
    EXPECT_EQ(dirs, expected);
    EXPECT_TRUE(platform::ParseUserDirs("XDG_A_DIR=\"$HOME/A\"", "").empty());
}

}  // namespace
}  // namespace quenby
