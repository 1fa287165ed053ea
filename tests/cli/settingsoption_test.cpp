#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "cli/commandline.h"
#include "tests/support/envguard.h"
#include "tests/support/tempfolder.h"

namespace quenby::cli {
namespace {

using test::TempFolder;

class SettingsOptionTest : public ::testing::Test {
protected:
    SettingsOptionTest() {
        test::MakeFolders(m_card);
        test::MakeFolders(m_camera);
        test::MakeFolders(m_target);
        test::WriteFile(m_file,
                        "[Quenbyform]\r\nSektionVorhanden=1\r\noptionen=2\r\ntrennzeichen=_\r\n"
                        "trennzeichenI=2\r\ndirliste=-1\r\nmaske=*.png;*.mov\r\nrootdir=" +
                            m_target +
                            "\r\nPrefix=Urlaub \r\nSuffix=_b\r\ndeletesource=1\r\n"
                            "useprefix=1\r\nusecapturedate=1\r\nverifycopies=1\r\nkeepboth="
                            "1\r\n\r\n[Check]\r\nWroteSuccesful=1\r\n\r\n"
                            "[Quellverzeichnisse]\r\nAnzahl=3\r\nNr1=" +
                            m_card + "\r\nNr2=" + m_folder / "gone" + "\r\nNr3=" + m_camera +
                            "\r\n");
    }

    ParseOutcome Parse(std::vector<std::string> arguments) { return ParseCommandLine(arguments); }

    TempFolder m_folder;
    std::string m_card = m_folder / "card";
    std::string m_camera = m_folder / "camera";
    std::string m_target = m_folder / "sorted";
    std::string m_file = m_folder / "quenby.ini";
};

TEST_F(SettingsOptionTest, TheFileGivesEveryOption) {
    const ParseOutcome outcome = Parse({"--settings", m_file});
    ASSERT_TRUE(outcome.Run) << outcome.Error;
    const SortOptions& options = outcome.Run->Options;
    EXPECT_EQ(options.SourceFolders, (std::vector<std::string>{m_card, m_camera}));
    EXPECT_EQ(options.TargetRoot, m_target);
    EXPECT_EQ(options.MaskText, "*.png;*.mov");
    EXPECT_EQ(options.LayoutIndex, 2);
    EXPECT_EQ(options.SeparatorIndex, 2);
    EXPECT_EQ(options.SeparatorChar, U'_');
    EXPECT_EQ(options.Prefix, "Urlaub");  // trailing blank does not survive the file
    EXPECT_EQ(options.Suffix, "_b");
    EXPECT_TRUE(options.RenameFiles);
    EXPECT_TRUE(options.DeleteSources);
    EXPECT_EQ(options.DateFrom, DateSource::CaptureDate);
    EXPECT_TRUE(options.VerifyCopies);
    EXPECT_EQ(options.OnNameClash, NameClash::KeepBoth);
}

TEST_F(SettingsOptionTest, CommandLineOptionsWin) {
    const std::string other = m_folder / "other";
    test::MakeFolders(other);
    const ParseOutcome outcome =
        Parse({"-t", other, "-m", "*.jpg", "-l", "0", "-s", "~", "--prefix", "p", "--suffix", "s",
               "--date-from", "file", "--on-clash", "skip", "--settings=" + m_file, m_camera});
    ASSERT_TRUE(outcome.Run) << outcome.Error;
    const SortOptions& options = outcome.Run->Options;
    EXPECT_EQ(options.SourceFolders, std::vector<std::string>{m_camera});
    EXPECT_EQ(options.TargetRoot, other);
    EXPECT_EQ(options.MaskText, "*.jpg");
    EXPECT_EQ(options.LayoutIndex, 0);
    EXPECT_EQ(options.SeparatorChar, U'~');
    EXPECT_EQ(options.Prefix, "p");
    EXPECT_EQ(options.Suffix, "s");
    EXPECT_EQ(options.DateFrom, DateSource::LastWriteTime);
    EXPECT_EQ(options.OnNameClash, NameClash::Skip);
}

TEST_F(SettingsOptionTest, WithoutAFileNameTheWindowProgramsFileIsRead) {
    const test::EnvGuard config("XDG_CONFIG_HOME", m_folder / "config");
    test::WriteFile(m_folder / "config/Vexmoor/quenby/quenby.ini", test::ReadFile(m_file));
    const ParseOutcome outcome = Parse({m_card, "--settings"});
    ASSERT_TRUE(outcome.Run) << outcome.Error;
    EXPECT_EQ(outcome.Run->Options.SourceFolders, std::vector<std::string>{m_card});
    EXPECT_EQ(outcome.Run->Options.TargetRoot, m_target);
}

TEST_F(SettingsOptionTest, OddValuesInTheFileKeepTheDefaults) {
    test::WriteFile(m_file,
                    "[Quenbyform]\r\noptionen=7\r\ntrennzeichen=?\r\ntrennzeichenI=9\r\n"
                    "rootdir=" +
                        m_target +
                        "\r\ndeletesource=ja\r\n"
                        "[Quellverzeichnisse]\r\nAnzahl=1\r\nNr1=" +
                        m_card + "\r\n");
    const ParseOutcome outcome = Parse({"--settings", m_file});
    ASSERT_TRUE(outcome.Run) << outcome.Error;
    const SortOptions& options = outcome.Run->Options;
    EXPECT_EQ(options.LayoutIndex, 0);
    EXPECT_EQ(options.SeparatorChar, U'-');
    EXPECT_EQ(options.MaskText, "*.jpg;*.avi");
    EXPECT_FALSE(options.DeleteSources);
    EXPECT_FALSE(options.RenameFiles);
    EXPECT_EQ(options.DateFrom, DateSource::LastWriteTime);  // a file from before the key

    // Only the index stored: the list selects that item.
    test::WriteFile(m_file, "[Quenbyform]\r\ntrennzeichenI=1\r\nrootdir=" + m_target +
                                "\r\n[Quellverzeichnisse]\r\nAnzahl=1\r\nNr1=" + m_card + "\r\n");
    const ParseOutcome indexOnly = Parse({"--settings", m_file});
    ASSERT_TRUE(indexOnly.Run) << indexOnly.Error;
    EXPECT_EQ(indexOnly.Run->Options.SeparatorChar, U'.');
}

TEST_F(SettingsOptionTest, UsageErrors) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    const std::string socketPath = m_folder / "socket.ini";
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    socketPath.copy(address.sun_path, socketPath.size());
    ASSERT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    test::WriteFile(m_folder / "empty.ini", "");
    // A file just past the limit; sparse, so it costs no disk.
    const std::string huge = m_folder / "huge.ini";
    const int hugeFd = ::open(huge.c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(hugeFd, 0);
    ASSERT_EQ(::ftruncate(hugeFd, 16 * 1024 * 1024 + 1), 0);
    ::close(hugeFd);
    test::WriteFile(m_folder / "outside.ini",
                    "[Quenbyform]\r\nuseprefix=1\r\nPrefix=../../x_\r\nrootdir=" + m_target +
                        "\r\n[Quellverzeichnisse]\r\nAnzahl=1\r\nNr1=" + m_card + "\r\n");

    const struct {
        std::vector<std::string> arguments;
        std::string error;
    } cases[] = {
        {{"--settings", m_folder / "missing.ini"},
         "quenby-sort: the settings file " + m_folder / "missing.ini" +
             " does not exist (see --help)\n"},
        {{"--settings", m_folder.Path()},
         "quenby-sort: the settings file " + m_folder.Path() + " does not exist (see --help)\n"},
        {{"--settings", socketPath},
         "quenby-sort: cannot read the settings file " + socketPath +
             ": No such device or address (see --help)\n"},
        {{"--settings", m_folder / "empty.ini", "-t", m_target},
         "quenby-sort: no source folder: " + m_folder / "empty.ini" +
             " lists none that exists and none is given (see --help)\n"},
        {{"--settings", m_folder / "empty.ini", m_card},
         "quenby-sort: no target folder: " + m_folder / "empty.ini" +
             " names none and --target is not given (see --help)\n"},
        {{"--settings", huge},
         "quenby-sort: the settings file " + huge +
             " is larger than 16 MB and is not read (see --help)\n"},
        {{"--settings=", m_file},
         "quenby-sort: --settings: the value must not be empty (see --help)\n"},
        {{m_card, "--settings", ""},
         "quenby-sort: --settings: the value must not be empty (see --help)\n"},
        {{"--settings", m_folder / "outside.ini"},
         "quenby-sort: the prefix \"../../x_\" holds a path separator; it must stay part of a "
         "file name (see --help)\n"},
        {{m_card}, "quenby-sort: --target is required (see --help)\n"},
        {{"-t", m_target}, "quenby-sort: SOURCE is required (see --help)\n"},
    };
    for (const auto& c : cases) {
        const ParseOutcome outcome = Parse(c.arguments);
        EXPECT_FALSE(outcome.Run);
        EXPECT_EQ(outcome.ExitCode, kExitUsage);
        EXPECT_EQ(outcome.Error, c.error);
    }
    ::close(fd);
}

}  // namespace
}  // namespace quenby::cli
