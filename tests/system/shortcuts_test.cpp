#include "system/shortcuts.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "platform/process/executable.h"
#include "platform/shell/desktopentry.h"
#include "tests/support/childprocess.h"
#include "tests/support/envguard.h"
#include "tests/support/tempfolder.h"

namespace quenby {
namespace {

using test::EnvGuard;
using test::TempFolder;
using Words = std::vector<std::string>;

// Undoes the general escaping of a value; nullopt for an unknown sequence.
std::optional<std::string> UnescapeValue(std::string_view value) {
    static const std::map<char, char> kSequences = {
        {'s', ' '}, {'n', '\n'}, {'t', '\t'}, {'r', '\r'}, {'\\', '\\'}};
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\') {
            out.push_back(value[i]);
            continue;
        }
        const auto it = i + 1 < value.size() ? kSequences.find(value[++i]) : kSequences.end();
        if (it == kSequences.end()) {
            return std::nullopt;
        }
        out.push_back(it->second);
    }
    return out;
}

// Reads an unescaped Exec value back into words as a launcher must: quotes
// undone first, then "%%" as the only field code; nullopt for anything a
// launcher would reject (a reserved character outside quotes, "$" or "`"
// unescaped inside them, a stray backslash, an open quote, another field
// code).
std::optional<Words> ParseExec(std::string_view exec) {
    const std::string_view reserved = " \t\n\"'\\><~|&;$*?#()`";
    Words words;
    std::size_t i = 0;
    while (i < exec.size()) {
        std::string word;
        if (exec[i] == '"') {
            bool closed = false;
            for (++i; i < exec.size() && !closed; ++i) {
                if (exec[i] == '"') {
                    closed = true;
                } else if (exec[i] == '$' || exec[i] == '`') {
                    return std::nullopt;
                } else if (exec[i] != '\\') {
                    word.push_back(exec[i]);
                } else if (i + 1 < exec.size() &&
                           std::string_view("\"`$\\").find(exec[i + 1]) != std::string::npos) {
                    word.push_back(exec[++i]);
                } else {
                    return std::nullopt;
                }
            }
            if (!closed) {
                return std::nullopt;
            }
        } else {
            for (; i < exec.size() && exec[i] != ' '; ++i) {
                if (reserved.find(exec[i]) != std::string::npos) {
                    return std::nullopt;
                }
                word.push_back(exec[i]);
            }
        }
        if (i < exec.size() && exec[i++] != ' ') {
            return std::nullopt;
        }
        std::string plain;
        for (std::size_t k = 0; k < word.size(); ++k) {
            if (word[k] == '%' && (k + 1 == word.size() || word[++k] != '%')) {
                return std::nullopt;
            }
            plain.push_back(word[k]);
        }
        words.push_back(plain);
    }
    return words;
}

// Key -> raw value of every "Key=Value" line of a written entry.
std::map<std::string, std::string> ReadEntry(const std::string& path) {
    std::map<std::string, std::string> keys;
    std::istringstream lines(test::ReadFile(path));
    for (std::string line; std::getline(lines, line);) {
        if (const std::size_t equals = line.find('='); equals != std::string::npos) {
            keys[line.substr(0, equals)] = line.substr(equals + 1);
        }
    }
    return keys;
}

// The validator on the PATH the tests started with; empty when missing.
std::string FindValidator(const std::string& searchPath) {
    std::istringstream folders(searchPath);
    for (std::string folder; std::getline(folders, folder, ':');) {
        if (!folder.empty() && test::Exists(folder + "/desktop-file-validate")) {
            return folder + "/desktop-file-validate";
        }
    }
    return {};
}

unsigned ModeOf(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0U;
}

class ShortcutTest : public ::testing::Test {
protected:
    ShortcutTest() {
        test::WriteFile(m_home / "config/user-dirs.dirs", "XDG_DESKTOP_DIR=\"$HOME/Desk top\"\n");
        test::MakeFolders(Desktop());
        test::MakeFolders(m_home / "bin");
    }

    std::string Desktop() const { return m_home / "Desk top"; }

    // A gio that notes its arguments and then runs `tail`.
    void FakeGio(const std::string& tail) {
        test::WriteFile(m_home / "bin/gio",
                        "#!/bin/sh\necho \"$*\" >> '" + (m_home / "gio.log") + "'\n" + tail + "\n");
        ::chmod((m_home / "bin/gio").c_str(), 0755);
    }
    std::string GioLog() const {
        return test::Exists(m_home / "gio.log") ? test::ReadFile(m_home / "gio.log") : "";
    }
    // gio runs on its own; the log, once complete, is all it writes.
    std::string GioLogOf(std::size_t lines) const {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        std::string log = GioLog();
        while (std::count(log.begin(), log.end(), '\n') < static_cast<std::ptrdiff_t>(lines) &&
               std::chrono::steady_clock::now() < end) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            log = GioLog();
        }
        return log;
    }

    // Every file below the home folder that the test did not make itself.
    Words WrittenFiles() const {
        Words files;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(m_home.Path())) {
            const std::string path = entry.path().string();
            if (!entry.is_directory() && path != m_home / "config/user-dirs.dirs" &&
                path != m_home / "bin/gio" && path != m_home / "gio.log" &&
                path != m_home / "report") {
                files.push_back(path.substr(m_home.Path().size() + 1));
            }
        }
        std::sort(files.begin(), files.end());
        return files;
    }

    const std::string m_systemPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    TempFolder m_home;
    EnvGuard m_homeVariable{"HOME", m_home.Path()};
    EnvGuard m_config{"XDG_CONFIG_HOME", m_home / "config"};
    EnvGuard m_data{"XDG_DATA_HOME", m_home / "data"};
    EnvGuard m_path{"PATH", m_home / "bin"};
};

TEST(ShortcutNameTest, ExtensionReplacedOnlyInTheFileName) {
    const std::pair<const char*, const char*> cases[] = {
        {"/opt/tools/quenby", "quenby.desktop"}, {"/opt/tools/Quenby.bin", "Quenby.desktop"},
        {"/opt/v1.2/Quenby", "Quenby.desktop"},  {"/opt/q.tar.gz", "q.tar.desktop"},
        {"/opt/a:b/Quenby", "Quenby.desktop"},   {"quenby", "quenby.desktop"},
        {"/opt/tools/.hidden", ".desktop"},      {"", ".desktop"},
    };
    for (const auto& [target, name] : cases) {
        EXPECT_EQ(ShortcutFileName(target), name) << target;
    }
    EXPECT_EQ(ComposeShortcutPath("/d", slDesktop, "", "/t/q"), "/d/q.desktop");
    EXPECT_EQ(ComposeShortcutPath("/d/", slDesktop, "a/b", "/t/q"), "/d//a/b/q.desktop");
    EXPECT_EQ(ComposeShortcutPath("/x/links/", slCustomFolder, "/x/links/", "/t/q.bin"),
              "/x/links//q.desktop");
}

TEST_F(ShortcutTest, DesktopShortcutIsReplacedWithoutQuestionAndTrusted) {
    FakeGio("exit 0");
    const std::string link = Desktop() + "/Quenby.desktop";
    const std::string expected =
        "[Desktop Entry]\nType=Application\nName=Quenby\nComment=Quenby\n"
        "Exec=/opt/tools/Quenby.bin\nPath=/opt/tools/\nIcon=quenby\nTerminal=false\n";
    CreateDesktopShortcut("Quenby", "/opt/tools/Quenby.bin");
    EXPECT_EQ(test::ReadFile(link), expected);
    EXPECT_EQ(ModeOf(link), 0755U);

    test::WriteFile(link, "[Desktop Entry]\nName=old\n");
    ::chmod(link.c_str(), 0600);
    EXPECT_EQ(CreateShortcut("/opt/tools/Quenby.bin", slDesktop, "", "", "", "Quenby"), link);
    EXPECT_EQ(test::ReadFile(link), expected);
    EXPECT_EQ(ModeOf(link), 0755U);
    EXPECT_EQ(WrittenFiles(), Words{"Desk top/Quenby.desktop"});
    EXPECT_EQ(GioLogOf(2),
              "set " + link + " metadata::trusted true\nset " + link + " metadata::trusted true\n");
}

TEST_F(ShortcutTest, NameIconCommentAndWorkingDirectory) {
    const std::string folder = m_home / "links";
    test::MakeFolders(folder);
    CreateShortcut("/usr/bin/quenby", slCustomFolder, folder, "/srv/photos", "", "");
    EXPECT_EQ(test::ReadFile(folder + "/quenby.desktop"),
              "[Desktop Entry]\nType=Application\nName=quenby\nExec=/usr/bin/quenby\n"
              "Path=/srv/photos\nIcon=quenby\nTerminal=false\n");
    CreateShortcut("/opt/QUENBY.exe", slCustomFolder, folder, "", "", "Photos");
    EXPECT_EQ(ReadEntry(folder + "/QUENBY.desktop")["Icon"], "quenby");
    CreateShortcut("/opt/quenby-old", slCustomFolder, folder, "", "", "");
    EXPECT_EQ(ReadEntry(folder + "/quenby-old.desktop").count("Icon"), 0U);
}

TEST_F(ShortcutTest, ShellFoldersAndSubFolders) {
    const std::string menu = m_home / "data/applications";
    test::MakeFolders(menu + "/Apps/Media");
    EXPECT_EQ(CreateShortcut("/opt/q", slStartMenu, "Apps/Media", "", "", ""),
              menu + "/Apps/Media/q.desktop");
    // A missing sub-folder is not made; its path comes back all the same.
    EXPECT_EQ(CreateShortcut("/opt/q", slStartMenu, "Apps/Games", "", "", ""),
              menu + "/Apps/Games/q.desktop");
    EXPECT_FALSE(test::Exists(menu + "/Apps/Games"));
    // No autostart folder yet: nothing is written there either.
    EXPECT_EQ(CreateShortcut("/opt/q", slStartup, "", "", "", ""),
              m_home / "config/autostart/q.desktop");
    test::MakeFolders(m_home / "config/autostart");
    CreateShortcut("/opt/q", slStartup, "", "", "", "");

    // A trailing separator on a custom folder leaves two in a row.
    const std::string custom = m_home / "custom/";
    test::MakeFolders(custom);
    EXPECT_EQ(CreateShortcut("/opt/v1.2/Quenby", slCustomFolder, custom, "", "", ""),
              custom + "/Quenby.desktop");
    EXPECT_EQ(WrittenFiles(), (Words{"config/autostart/q.desktop", "custom/Quenby.desktop",
                                     "data/applications/Apps/Media/q.desktop"}));
}

TEST_F(ShortcutTest, LocationsWithoutFolderWriteNothing) {
    const TShortcutLocation beyondTable = static_cast<TShortcutLocation>(6);
    for (const TShortcutLocation location : {slSendTo, slQuickLaunch, beyondTable}) {
        EXPECT_EQ(CreateShortcut("/opt/q", location, "", "", "", "Quenby"), "") << int{location};
        EXPECT_EQ(CreateShortcut("/opt/q", location, "sub", "", "", ""), "") << int{location};
    }
    EXPECT_EQ(CreateShortcut("/opt/q", slCustomFolder, "", "", "", "Quenby"), "");
    EXPECT_EQ(WrittenFiles(), Words{});
}

TEST_F(ShortcutTest, DesktopFallsBackAsXdgUserDirDoesAndFailuresAreTold) {
    struct Row {
        const char* UserDirs;  // nullptr: no file at all
        std::string Folder;
    };
    const Row rows[] = {
        {nullptr, m_home / "Desktop"},
        {"XDG_MUSIC_DIR=\"$HOME/Musik\"\n", m_home / "Desktop"},
        {"XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n", m_home / "Schreibtisch"},
    };
    for (const Row& row : rows) {
        if (row.UserDirs == nullptr) {
            ::unlink((m_home / "config/user-dirs.dirs").c_str());
        } else {
            test::WriteFile(m_home / "config/user-dirs.dirs", row.UserDirs);
        }
        EXPECT_EQ(ShortcutFolder(slDesktop, ""), row.Folder);
    }
    // A desktop that is named but missing: the user is told why.
    const std::string launcher =
        m_home / ("Schreibtisch/" + ShortcutFileName(platform::ExecutablePath()));
    try {
        AddToDesktop();
        ADD_FAILURE() << "nothing was said";
    } catch (const std::runtime_error& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Cannot create file \"" + launcher + "\". No such file or directory");
    }
    test::MakeFolders(m_home / "Schreibtisch");
    AddToDesktop();
    EXPECT_TRUE(test::Exists(launcher));
}

TEST_F(ShortcutTest, UnwritableDesktopGivesThePathAndWritesNothing) {
    // Below a regular file: no rights make that writable.
    test::WriteFile(m_home / "plain", "");
    test::WriteFile(m_home / "config/user-dirs.dirs", "XDG_DESKTOP_DIR=\"$HOME/plain/Desktop\"\n");
    EXPECT_EQ(CreateShortcut("/opt/q", slDesktop, "", "", "", "Q"),
              m_home / "plain/Desktop/q.desktop");
    // A folder under the link's name stays as it is.
    test::WriteFile(m_home / "config/user-dirs.dirs", "XDG_DESKTOP_DIR=\"$HOME/Desk top\"\n");
    test::MakeFolders(Desktop() + "/q.desktop");
    EXPECT_EQ(CreateShortcut("/opt/q", slDesktop, "", "", "", "Q"), Desktop() + "/q.desktop");
    // A folder the user may not write to.
    ::chmod(m_home.Path().c_str(), 0755);
    ::chmod(Desktop().c_str(), 0555);
    const std::string expected = Desktop() + "/r.desktop";
    const int result = test::RunInChild(
        [&] {
            const std::string path = CreateShortcut("/opt/r", slDesktop, "", "", "", "R");
            return path == expected && !test::Exists(expected) ? 0 : 1;
        },
        true);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(WrittenFiles(), Words{"plain"});
    EXPECT_EQ(GioLog(), "");
}

TEST_F(ShortcutTest, GioThatFailsHangsOrIsMissingChangesNothingAndKeepsNoOneWaiting) {
    FakeGio("exit 3");
    CreateDesktopShortcut("Quenby", "/opt/a");
    GioLogOf(1);
    FakeGio("exec /bin/sleep 60");
    const auto start = std::chrono::steady_clock::now();
    CreateDesktopShortcut("Quenby", "/opt/b");
    // The window that asked goes on at once; the hanging gio ends later.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(GioLogOf(2), "set " + Desktop() + "/a.desktop metadata::trusted true\nset " +
                               Desktop() + "/b.desktop metadata::trusted true\n");
    ::unlink((m_home / "bin/gio").c_str());
    CreateDesktopShortcut("Quenby", "/opt/c");
    EXPECT_EQ(WrittenFiles(),
              (Words{"Desk top/a.desktop", "Desk top/b.desktop", "Desk top/c.desktop"}));
}

TEST_F(ShortcutTest, UnwritableValuesGiveThePathAndNoFile) {
    const char* targets[] = {"/opt/a=b/q", "/opt/\x01/q", "/opt/\xff/q", "/opt/tools/"};
    for (const char* target : targets) {
        EXPECT_EQ(CreateShortcut(target, slDesktop, "", "", "", ""),
                  Desktop() + "/" + ShortcutFileName(target));
    }
    CreateShortcut("/opt/q", slDesktop, "", "", "", "bad \x7f");
    CreateShortcut("/opt/q", slDesktop, "", "/w\x1b", "", "");
    EXPECT_EQ(WrittenFiles(), Words{});
}

TEST_F(ShortcutTest, AddToDesktopPointsAtTheRunningProgram) {
    AddToDesktop();
    const auto keys = ReadEntry(Desktop() + "/quenby_core_tests.desktop");
    ASSERT_EQ(keys.count("Exec"), 1U);
    EXPECT_EQ(ParseExec(*UnescapeValue(keys.at("Exec"))), Words{platform::ExecutablePath()});
    EXPECT_EQ(keys.at("Name"), "Quenby");
}

TEST(LinkArgumentsTest, SplitLikeACommandLine) {
    const std::pair<const char*, Words> cases[] = {
        {"", {}},
        {"  a b\tc  ", {"a", "b", "c"}},
        {"\"two words\" x", {"two words", "x"}},
        {"a\"b c\"d", {"ab cd"}},
        {"say \\\"hi\\\"", {"say", "\"hi\""}},
        {"C:\\dir\\ \"D:\\x y\\\\\"", {"C:\\dir\\", "D:\\x y\\"}},
        {"\\\\\\\\\"x y\"", {"\\\\x y"}},
        {"\"\" end \"", {"", "end", ""}},
    };
    for (const auto& [arguments, words] : cases) {
        EXPECT_EQ(platform::SplitLinkArguments(arguments), words) << arguments;
    }
}

// Hostile paths, arguments and texts come back whole from the written entry,
// and the entry passes the desktop's own validator.
TEST_F(ShortcutTest, HostileValuesSurviveExecQuotingAndValidate) {
    const struct {
        const char* target;
        const char* arguments;
        Words words;
    } cases[] = {
        {"/opt/my tools/quenby", "", {}},
        {"/opt/a\"b/it's $HOME `id`/back\\slash/100%/quenby", "%f", {"%f"}},
        {"/opt/Ärger;x&y|z<>~*?#()/quenby.bin",
         "--dir \"$HOME/100% `x`\" 'single' back\\slash \\\"q\\\" \"\" \"tab\there\nline\"",
         {"--dir", "$HOME/100% `x`", "'single'", "back\\slash", "\"q\"", "", "tab\there\nline"}},
        {"/opt/%%/\\\\/quenby", "\\\\\\\\\"x\\ y\"", {"\\\\x\\ y"}},
    };
    const char* const description = " lead\\and\nnew line\t ";
    const char* const workingDir = "/w d/$x\\y/%/";
    const std::string folder = m_home / "links";
    test::MakeFolders(folder);
    const std::string validator = FindValidator(m_systemPath);

    for (const auto& c : cases) {
        const std::string link =
            CreateShortcut(c.target, slCustomFolder, folder, workingDir, c.arguments, description);
        auto keys = ReadEntry(link);
        ASSERT_EQ(keys.count("Exec"), 1U) << c.target;
        Words expected{c.target};
        expected.insert(expected.end(), c.words.begin(), c.words.end());
        const auto exec = UnescapeValue(keys["Exec"]);
        ASSERT_TRUE(exec) << keys["Exec"];
        EXPECT_EQ(ParseExec(*exec), expected) << keys["Exec"];
        EXPECT_EQ(UnescapeValue(keys["Name"]), description);
        EXPECT_EQ(UnescapeValue(keys["Comment"]), description);
        EXPECT_EQ(UnescapeValue(keys["Path"]), workingDir);

        if (!validator.empty()) {
            const std::string reportFile = m_home / "report";
            const int status =
                std::system((validator + " '" + link + "' > '" + reportFile + "' 2>&1").c_str());
            const std::string report = test::ReadFile(reportFile);
            EXPECT_EQ(status, 0) << report;
            EXPECT_EQ(report.find("error"), std::string::npos) << report;
        }
    }
    if (validator.empty()) {
        GTEST_SKIP() << "desktop-file-validate is not installed";
    }
}

}  // namespace
}  // namespace quenby
