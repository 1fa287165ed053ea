// Bad input and faults: each run must end with a clear line per file, and
// every source file must either still exist or have a complete, identical
// copy that a line reports.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "sorting/datenaming.h"
#include "sorting/sortrun.h"
#include "tests/support/childprocess.h"
#include "tests/support/tempfolder.h"

namespace quenby {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;
using Lines = std::vector<std::string>;

std::map<std::string, std::string> SnapshotFiles(const std::string& root) {
    std::map<std::string, std::string> files;
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(root, error);
         it != fs::recursive_directory_iterator(); it.increment(error)) {
        if (it->is_regular_file(error) && !it->is_symlink(error)) {
            files[it->path().string()] = test::ReadFile(it->path().string());
        }
    }
    return files;
}

void ExpectNothingLost(const std::map<std::string, std::string>& before, const Lines& lines) {
    for (const auto& [path, contents] : before) {
        if (test::Exists(path)) {
            EXPECT_EQ(test::ReadFile(path), contents) << path;
            continue;
        }
        const std::string copied = "Copied file " + path + " to ";
        bool reported = false;
        for (const std::string& line : lines) {
            if (line.rfind(copied, 0) == 0) {
                reported = true;
                EXPECT_EQ(test::ReadFile(line.substr(copied.size())), contents) << line;
            }
        }
        EXPECT_TRUE(reported) << path << " is gone and no line reports its copy";
    }
}

class SortRunFaultsTest : public ::testing::Test {
protected:
    void SetUp() override { ResetDateNaming(); }
    void TearDown() override { ResetDateNaming(); }

    void Photo(const std::string& relative, const std::string& contents = "jpeg", int day = 3) {
        test::WriteFile(m_tmp / relative, contents);
        test::SetLocalMtime(m_tmp / relative, 2014, 5, day, 14, 0);
    }

    SortOptions Options(std::vector<std::string> sources, const std::string& target) const {
        SortOptions options;
        for (const std::string& source : sources) {
            options.SourceFolders.push_back(m_tmp / source);
        }
        options.TargetRoot = m_tmp / target;
        options.SeparatorIndex = 0;
        options.SeparatorChar = U'-';
        return options;
    }

    SortCounts RunChecked(const SortOptions& options, const ProgressCallback& progress = {}) {
        const auto before = SnapshotFiles(m_tmp.Path());
        m_messages = MessageList();
        m_problems.clear();
        const SortCounts counts =
            SortRun(options, m_messages, progress,
                    [this](const SortProblem& problem) { m_problems.push_back(problem); });
        ExpectNothingLost(before, m_messages.Lines());
        return counts;
    }

    std::string P(const std::string& relative) const { return m_tmp / relative; }

    TempFolder m_tmp;
    MessageList m_messages;
    std::vector<SortProblem> m_problems;
};

TEST_F(SortRunFaultsTest, AMissingSourceFolderIsPassedOver) {
    Photo("Card/a.jpg");
    test::MakeFolders(P("Photos"));
    const SortCounts counts = RunChecked(Options({"Gone", "Card"}, "Photos"));
    EXPECT_EQ(counts.Found, 1);
    EXPECT_EQ(counts.Copied, 1);
}

TEST_F(SortRunFaultsTest, ATargetRootThatDoesNotExistFailsEveryFileClearly) {
    Photo("Card/a.jpg");
    Photo("Card/b.jpg");
    const SortCounts counts = RunChecked(Options({"Card"}, "NoSuchDrive/Photos"));
    EXPECT_EQ(m_messages.Lines(), (Lines{"File " + P("Card/a.jpg") + " could not copied to " +
                                             P("NoSuchDrive/Photos/2014-05-03/a.jpg"),
                                         "File " + P("Card/b.jpg") + " could not copied to " +
                                             P("NoSuchDrive/Photos/2014-05-03/b.jpg")}));
    EXPECT_EQ(counts.Copied, 0);
    EXPECT_EQ(counts.Failed, 2);
    EXPECT_FALSE(test::Exists(P("NoSuchDrive")));
}

// Hostile trees and names. Whatever each row sets up (in a folder of its
// own), every source stays or has its reported copy, nothing appears outside
// the target, and the files a row names are left exactly as they were.
TEST_F(SortRunFaultsTest, HostileTreesAndNamesLoseNothing) {
    const struct {
        const char* name;
        std::function<void(const std::string& row)> setup;
        std::string prefix;
        std::string suffix;
        std::vector<std::string> untouched;
    } rows[] = {
        {"a link to a folder outside the card is not entered",
         [&](const std::string& row) {
             Photo(row + "archive/old.jpg", "old");
             Photo(row + "card/new.jpg", "new");
             ASSERT_EQ(::symlink("../archive", P(row + "card/link").c_str()), 0);
         },
         "",
         "",
         {"archive/old.jpg"}},
        {"a link to a file is copied as the file",
         [&](const std::string& row) {
             Photo(row + "elsewhere/real.jpg", "real");
             test::MakeFolders(P(row + "card"));
             ASSERT_EQ(::symlink("../elsewhere/real.jpg", P(row + "card/link.jpg").c_str()), 0);
         },
         "",
         "",
         {"elsewhere/real.jpg"}},
        {"a prefix that climbs out of the day folder",
         [&](const std::string& row) { Photo(row + "card/a.jpg"); },
         "../../x_",
         "",
         {"card/a.jpg"}},
        {"a suffix that names the day folder's parent",
         [&](const std::string& row) { Photo(row + "card/a.jpg"); },
         "",
         "/..",
         {"card/a.jpg"}},
    };
    int number = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string folder = "row" + std::to_string(++number) + "/";
        row.setup(folder);
        test::MakeFolders(P(folder + "Photos"));
        SortOptions options = Options({folder + "card"}, folder + "Photos");
        options.DeleteSources = true;
        options.RenameFiles = !row.prefix.empty() || !row.suffix.empty();
        options.Prefix = row.prefix;
        options.Suffix = row.suffix;
        std::map<std::string, std::string> untouched;
        for (const std::string& file : row.untouched) {
            untouched[P(folder + file)] = test::ReadFile(P(folder + file));
        }
        const auto before = SnapshotFiles(m_tmp.Path());
        RunChecked(options);
        for (const auto& [path, contents] : SnapshotFiles(m_tmp.Path())) {
            EXPECT_TRUE(before.count(path) != 0 || path.rfind(P(folder + "Photos/"), 0) == 0)
                << path << " lies outside the target";
        }
        for (const auto& [path, contents] : untouched) {
            EXPECT_TRUE(test::Exists(path) && test::ReadFile(path) == contents) << path;
        }
    }
}

TEST_F(SortRunFaultsTest, ANameThatIsNoPlainFileNameIsNeverUsed) {
    Photo("card/a.jpg");
    test::MakeFolders(P("Photos"));
    SortOptions options = Options({"card"}, "Photos");
    options.RenameFiles = true;
    options.Prefix = "../../x_";
    std::vector<std::string> problems;
    const SortCounts counts = SortRun(options, m_messages, {}, [&](const SortProblem& problem) {
        problems.push_back(problem.Text);
        EXPECT_TRUE(problem.Failed);
    });
    const std::string target = P("Photos/2014-05-03/../../x_2014-05-03");
    EXPECT_EQ(m_messages.Lines(),
              Lines{"File " + P("card/a.jpg") + " could not copied to " + target});
    EXPECT_EQ(problems, Lines{"cannot copy " + P("card/a.jpg") + " to " + target +
                              ": prefix and suffix make no plain file name"});
    EXPECT_EQ(counts.Failed, 1);
    // Not even the day folder is made for it.
    EXPECT_EQ(test::ListFolder(m_tmp.Path()), (Lines{"Photos", "card"}));
    EXPECT_TRUE(test::ListFolder(P("Photos")).empty());
}

// The system's own endless-looking trees end, since their links to folders
// are not entered.
TEST_F(SortRunFaultsTest, SourcesOfSystemTreesEnd) {
    if (!test::Exists("/proc/self")) {
        GTEST_SKIP() << "no /proc on this machine";
    }
    test::MakeFolders(P("Photos"));
    for (const char* source : {"/proc", "/sys"}) {
        if (!test::Exists(source)) {
            continue;
        }
        SortOptions options = Options({}, "Photos");
        options.SourceFolders = {source};
        const int result = test::RunInChild([&] {
            ::alarm(120);
            MessageList messages;
            return SortRun(options, messages, {}).Found == 0 ? 0 : 1;
        });
        EXPECT_EQ(result, 0) << source << (result == 128 + SIGALRM ? " did not end" : "");
    }
}

TEST_F(SortRunFaultsTest, ASourceThatVanishesBeforeItsCopyIsReported) {
    Photo("Card/a.jpg");
    Photo("Card/b.jpg");
    test::MakeFolders(P("Photos"));
    SortOptions options = Options({"Card"}, "Photos");
    options.DeleteSources = true;
    const std::string second = P("Card/b.jpg");
    m_messages = MessageList();
    SortRun(options, m_messages, [&](const SortProgress&) { ::unlink(second.c_str()); });
    EXPECT_EQ(m_messages.Lines().back(),
              "File " + second + " could not copied to " + P("Photos/2014-05-03/b.jpg"));
    EXPECT_EQ(test::ListFolder(P("Photos/2014-05-03")), Lines{"a.jpg"});
}

// The run reads the day folders it will need before its first copy; one
// that is gone by the time its photos come is made again, not trusted.
TEST_F(SortRunFaultsTest, ADayFolderRemovedDuringTheRunIsMadeAgain) {
    Photo("Card/a.jpg", "jpeg", 3);
    Photo("Card/b.jpg", "jpeg", 4);
    test::WriteFile(P("Photos/2014-05-04/b.jpg"), "other");
    const SortOptions options = Options({"Card"}, "Photos");
    m_messages = MessageList();
    SortRun(options, m_messages, [&](const SortProgress& progress) {
        if (progress.RecordsDone == 1) {
            std::filesystem::remove_all(P("Photos/2014-05-04"));
        }
    });
    EXPECT_EQ(m_messages.Lines(),
              (Lines{"Folder " + P("Photos/2014-05-03") + " was created",
                     "Copied file " + P("Card/a.jpg") + " to " + P("Photos/2014-05-03/a.jpg"),
                     "Folder " + P("Photos/2014-05-04") + " was created",
                     "Copied file " + P("Card/b.jpg") + " to " + P("Photos/2014-05-04/b.jpg")}));
    EXPECT_EQ(test::ReadFile(P("Photos/2014-05-04/b.jpg")), "jpeg");
}

// A folder, a link to a file elsewhere and a dangling link under the copy's
// name: none is replaced, and the link to a file counts as that file.
TEST_F(SortRunFaultsTest, WhatStandsUnderTheCopysNameIsLeftAlone) {
    for (const char* name : {"Card/a.jpg", "Card/dangling.jpg", "Card/linked.jpg"}) {
        Photo(name);
    }
    test::WriteFile(P("Photos/2014-05-03/a.jpg/keep.txt"), "keep");
    test::WriteFile(P("Elsewhere/linked.jpg"), "other");
    ASSERT_EQ(
        ::symlink(P("Elsewhere/linked.jpg").c_str(), P("Photos/2014-05-03/linked.jpg").c_str()), 0);
    ASSERT_EQ(::symlink("nowhere", P("Photos/2014-05-03/dangling.jpg").c_str()), 0);
    SortOptions options = Options({"Card"}, "Photos");
    options.DeleteSources = true;
    const SortCounts counts = RunChecked(options);
    const auto failed = [this](const std::string& name) {
        return "File " + P("Card/" + name) + " could not copied to " +
               P("Photos/2014-05-03/" + name);
    };
    EXPECT_EQ(m_messages.Lines(), (Lines{failed("a.jpg"), failed("dangling.jpg"),
                                         "File " + P("Photos/2014-05-03/linked.jpg") + " exists"}));
    EXPECT_EQ(counts.Copied, 0);
    EXPECT_EQ(test::ReadFile(P("Photos/2014-05-03/a.jpg/keep.txt")), "keep");
    EXPECT_EQ(test::ReadFile(P("Elsewhere/linked.jpg")), "other");
    EXPECT_EQ(test::ListFolder(P("Card")).size(), 3U);
}

TEST_F(SortRunFaultsTest, AReadOnlySourceIsCopiedButNeverDeleted) {
    Photo("Card/protected.jpg");
    Photo("Card/plain.jpg");
    ASSERT_EQ(::chmod(P("Card/protected.jpg").c_str(), 0444), 0);
    test::MakeFolders(P("Photos"));
    SortOptions options = Options({"Card"}, "Photos");
    options.DeleteSources = true;
    const SortCounts counts = RunChecked(options);
    EXPECT_EQ(
        m_messages.Lines(),
        (Lines{"Folder " + P("Photos/2014-05-03") + " was created",
               "Copied file " + P("Card/plain.jpg") + " to " + P("Photos/2014-05-03/plain.jpg"),
               "File " + P("Card/plain.jpg") + " was deleted from the Source Media",
               "Copied file " + P("Card/protected.jpg") + " to " +
                   P("Photos/2014-05-03/protected.jpg")}));
    EXPECT_EQ(counts.Copied, 2);
    EXPECT_TRUE(test::Exists(P("Card/protected.jpg")));
    // Kept on purpose: a note, not a failure.
    ASSERT_EQ(m_problems.size(), 1U);
    EXPECT_EQ(m_problems[0].Text, "kept " + P("Card/protected.jpg") + ": it is write-protected");
    EXPECT_FALSE(m_problems[0].Failed);
}

TEST_F(SortRunFaultsTest, UnreadableFilesAndFoldersAsAnOrdinaryUser) {
    ASSERT_EQ(::chmod(m_tmp.Path().c_str(), 0755), 0);
    Photo("Card/secret.jpg", "secret");
    Photo("Card/open.jpg", "open");
    Photo("Card/Locked/hidden.jpg", "hidden");
    ASSERT_EQ(::chmod(P("Card/secret.jpg").c_str(), 0600), 0);
    ASSERT_EQ(::chmod(P("Card/Locked").c_str(), 0700), 0);
    // The card is writable for the user, so deleting would be allowed.
    ASSERT_EQ(::chmod(P("Card").c_str(), 0777), 0);
    test::MakeFolders(P("Photos"));
    ASSERT_EQ(::chmod(P("Photos").c_str(), 0777), 0);

    SortOptions options = Options({"Card"}, "Photos");
    options.DeleteSources = true;
    const auto before = SnapshotFiles(m_tmp.Path());
    test::MakeFolders(P("Out"));
    ASSERT_EQ(::chmod(P("Out").c_str(), 0777), 0);
    const std::string linesFile = P("Out/lines.txt");
    const std::string problemsFile = P("Out/problems.txt");
    const int result = test::RunInChild(
        [&] {
            MessageList messages;
            std::string problems;
            const SortCounts counts =
                SortRun(options, messages, {}, [&problems](const SortProblem& problem) {
                    problems += problem.Text + (problem.Failed ? "\n" : " (note)\n");
                });
            std::string all;
            for (const std::string& line : messages.Lines()) {
                all += line + "\n";
            }
            test::WriteFile(linesFile, all);
            test::WriteFile(problemsFile, problems);
            return counts.Found == 2 && counts.Copied == 1 ? 0 : 1;
        },
        true);
    ASSERT_EQ(result, 0);
    const std::string lines = test::ReadFile(linesFile);
    EXPECT_NE(lines.find("File " + P("Card/secret.jpg") + " could not copied to " +
                         P("Photos/2014-05-03/secret.jpg")),
              std::string::npos)
        << lines;
    // The folder it could not read is named, with the reason, as a failure.
    EXPECT_NE(test::ReadFile(problemsFile)
                  .find("cannot read the folder " + P("Card/Locked") + ": Permission denied\n"),
              std::string::npos)
        << test::ReadFile(problemsFile);
    EXPECT_EQ(test::ReadFile(P("Card/secret.jpg")), "secret");
    EXPECT_EQ(test::ReadFile(P("Card/Locked/hidden.jpg")), "hidden");
    EXPECT_EQ(test::ListFolder(P("Photos/2014-05-03")), Lines{"open.jpg"});
    std::vector<std::string> split;
    for (std::size_t start = 0, end; (end = lines.find('\n', start)) != std::string::npos;
         start = end + 1) {
        split.push_back(lines.substr(start, end - start));
    }
    ExpectNothingLost(before, split);
}

TEST_F(SortRunFaultsTest, ATargetInsideTheSourceIsNotCollectedBySameRun) {
    Photo("Card/a.jpg");
    Photo("Card/b.jpg", "b", 4);
    test::MakeFolders(P("Card/Sorted"));
    const SortCounts counts = RunChecked(Options({"Card"}, "Card/Sorted"));
    EXPECT_EQ(counts.Found, 2);
    EXPECT_EQ(counts.Copied, 2);
    // The next run finds the copies too, and each is its own existing target.
    SortOptions again = Options({"Card"}, "Card/Sorted");
    again.DeleteSources = true;
    const SortCounts second = RunChecked(again);
    EXPECT_EQ(second.Found, 4);
    EXPECT_EQ(second.Copied, 0);
    EXPECT_EQ(test::ReadFile(P("Card/Sorted/2014-05-03/a.jpg")), "jpeg");
}

TEST_F(SortRunFaultsTest, ALinkToAnAncestorInsideTheCardEndsTheWalk) {
    Photo("Card/DCIM/a.jpg");
    ASSERT_EQ(::symlink("../..", P("Card/DCIM/loop").c_str()), 0);
    test::MakeFolders(P("Photos"));
    const SortCounts counts = RunChecked(Options({"Card"}, "Photos"));
    EXPECT_EQ(counts.Found, 1);
    EXPECT_EQ(counts.Copied, 1);
}

TEST_F(SortRunFaultsTest, OddNamesAreCopiedUnderExactlyTheirNames) {
    const std::vector<std::string> names = {"bad-\xff\xfe-utf8.jpg", "new\nline.jpg",
                                            "  blanks  .jpg",        "back\\slash.jpg",
                                            "100% %s %d.jpg",        "ümlaut.JPG"};
    for (const std::string& name : names) {
        Photo("Card/" + name, "photo " + name);
    }
    test::MakeFolders(P("Photos"));
    SortOptions options = Options({"Card"}, "Photos");
    options.DeleteSources = true;
    const SortCounts counts = RunChecked(options);
    EXPECT_EQ(counts.Copied, static_cast<std::int64_t>(names.size()));
    for (const std::string& name : names) {
        EXPECT_EQ(test::ReadFile(P("Photos/2014-05-03/" + name)), "photo " + name) << name;
        const std::string line =
            "Copied file " + P("Card/" + name) + " to " + P("Photos/2014-05-03/" + name);
        EXPECT_NE(std::find(m_messages.Lines().begin(), m_messages.Lines().end(), line),
                  m_messages.Lines().end())
            << name;
    }
    EXPECT_TRUE(test::ListFolder(P("Card")).empty());
}

TEST_F(SortRunFaultsTest, TwoCardsWithTheSameNameAndDay) {
    Photo("Card1/DCIM/IMG_0001.JPG", "from card 1");
    Photo("Card2/DCIM/IMG_0001.JPG", "from card 2");
    test::MakeFolders(P("Photos"));
    SortOptions options = Options({"Card1", "Card2"}, "Photos");
    options.MaskText = "*.jpg";
    options.DeleteSources = true;
    const SortCounts counts = RunChecked(options);
    EXPECT_EQ(counts.Copied, 1);
    EXPECT_EQ(m_messages.Lines().back(), "File " + P("Photos/2014-05-03/IMG_0001.JPG") + " exists");
    EXPECT_EQ(test::ReadFile(P("Card2/DCIM/IMG_0001.JPG")), "from card 2");
    EXPECT_EQ(test::ReadFile(P("Photos/2014-05-03/IMG_0001.JPG")), "from card 1");
}

TEST_F(SortRunFaultsTest, ASummerNightPhotoKeepsItsDayInWinter) {
    test::TimeZoneGuard berlin("Europe/Berlin");
    test::WriteFile(P("Card/night.jpg"), "night");
    test::SetMtime(P("Card/night.jpg"), 1404167400);  // 1 July 2014, 00:30 CEST
    test::MakeFolders(P("Photos"));
    RunChecked(Options({"Card"}, "Photos"));
    EXPECT_TRUE(test::Exists(P("Photos/2014-07-01/night.jpg")));
}

}  // namespace
}  // namespace quenby
