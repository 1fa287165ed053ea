// What careful users ask for: a dry run, verified copies, and both files
// kept when two different photos share a name.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/files/copytesthooks.h"
#include "platform/files/temporaryname.h"
#include "sorting/datenaming.h"
#include "sorting/sortrun.h"
#include "tests/support/tempfolder.h"

namespace quenby {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;
using Files = std::map<std::string, std::string>;  // name → contents

// Every entry below `root` with its kind, size, permission bits and times.
// A file's access time lies in the past with its last-write time, so
// reading it would show too.
Files Listing(const std::string& root) {
    Files listing;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
        const fs::file_status status = entry.symlink_status();
        std::string line = std::to_string(static_cast<int>(status.type())) + " " +
                           std::to_string(static_cast<unsigned>(status.permissions())) + " " +
                           std::to_string(entry.last_write_time().time_since_epoch().count());
        if (fs::is_regular_file(status)) {
            line += " " + std::to_string(entry.file_size());
        }
#ifndef _WIN32
        struct stat info {};
        if (::lstat(entry.path().c_str(), &info) == 0) {
            line += " c" + std::to_string(info.st_ctim.tv_sec) + "." +
                    std::to_string(info.st_ctim.tv_nsec);
            // Listing a folder moves its access time; reading a file must not.
            if (S_ISREG(info.st_mode)) {
                line += " a" + std::to_string(info.st_atim.tv_sec) + "." +
                        std::to_string(info.st_atim.tv_nsec);
            }
        }
#endif
        listing[entry.path().string()] = line;
    }
    return listing;
}

Files Contents(const std::string& folder) {
    Files files;
    for (const std::string& name : test::ListFolder(folder)) {
        files[name] = test::ReadFile(folder + "/" + name);
    }
    return files;
}

struct RunResult {
    Lines Messages;
    Lines Problems;
    SortCounts Counts;
};

class CarefulRunTest : public ::testing::Test {
protected:
    void SetUp() override { ResetDateNaming(); }
    void TearDown() override { ResetDateNaming(); }

    void Photo(const test::TempFolder& tmp, const std::string& relative,
               const std::string& contents, int day = 3) {
        test::WriteFile(tmp / relative, contents);
        test::SetLocalMtime(tmp / relative, 2014, 5, day, 14, 0);
    }

    static SortOptions Options(const test::TempFolder& tmp) {
        SortOptions options;
        for (const char* card : {"Card", "Card2"}) {
            if (fs::exists(tmp / card)) {
                options.SourceFolders.push_back(tmp / card);
            }
        }
        options.TargetRoot = tmp / "Photos";
        test::MakeFolders(options.TargetRoot);
        options.SeparatorIndex = 0;
        options.SeparatorChar = U'-';
        return options;
    }

    static RunResult Run(const SortOptions& options, const ProgressCallback& progress = {}) {
        MessageList messages;
        RunResult result;
        result.Counts = SortRun(options, messages, progress, [&](const SortProblem& problem) {
            result.Problems.push_back(problem.Text);
        });
        result.Messages = messages.Lines();
        return result;
    }
};

// Whatever the options, the dry run prints exactly the lines of the run
// that follows it, and leaves every file and folder as it was: no folder
// made, no file copied, deleted or read, no leftover of a killed run removed.
TEST_F(CarefulRunTest, ADryRunTellsTheRunsLinesAndChangesNothing) {
    const struct {
        const char* Name;
        bool Delete;
        bool Rename;
        NameClash OnClash;
        bool Verify;
    } rows[] = {
        {"copy", false, false, NameClash::Skip, false},
        {"move", true, false, NameClash::Skip, false},
        {"move, keeping both", true, false, NameClash::KeepBoth, false},
        {"rename, keeping both", false, true, NameClash::KeepBoth, false},
        {"verified move", true, false, NameClash::Skip, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        const test::TempFolder tmp;
        Photo(tmp, "Card/a.jpg", "a");
        Photo(tmp, "Card/b.jpg", "b", 4);
        Photo(tmp, "Card2/a.jpg", "other a");
        // Each of its own size: without reading them, a dry run tells two
        // files apart by their sizes and times.
        Photo(tmp, "Card/c.jpg", "cc");
        Photo(tmp, "Photos/2014-05-03/c.jpg", "cc");
        Photo(tmp, "Card/d.jpg", "ddd");
        Photo(tmp, "Photos/2014-05-03/d.jpg", "older d");
        // What a killed run left: the claim of a name and its temporary file.
        Photo(tmp, "Card/e.jpg", "eeee");
        Photo(tmp, "Photos/2014-05-03/e.jpg", "");
        Photo(tmp, "Photos/2014-05-03/" + platform::TemporaryName("e.jpg"), "eeee");
        Photo(tmp, "Card/protected.jpg", "ppppp");
        fs::permissions(tmp / "Card/protected.jpg",
                        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                        fs::perm_options::remove);
        SortOptions options = Options(tmp);
        options.DeleteSources = row.Delete;
        options.RenameFiles = row.Rename;
        options.Prefix = "IMG_";
        options.OnNameClash = row.OnClash;
        options.VerifyCopies = row.Verify;

        const Files before = Listing(tmp.Path());
        options.DryRun = true;
        const RunResult dry = Run(options);
        EXPECT_EQ(Listing(tmp.Path()), before);

        options.DryRun = false;
        const RunResult real = Run(options);
        EXPECT_EQ(dry.Messages, real.Messages);
        EXPECT_EQ(dry.Problems, real.Problems);
        EXPECT_EQ(dry.Counts.Copied, real.Counts.Copied);
        EXPECT_EQ(dry.Counts.Failed, real.Counts.Failed);
        EXPECT_GT(real.Counts.Copied, 1);
    }
}

// A copy damaged on its way to the disk is caught when it is read back:
// it is removed, its source stays, and the problem says why. Without
// verification the same damage goes unseen.
TEST_F(CarefulRunTest, OnlyACopyReadBackIntactStandsAndLetsItsSourceGo) {
#ifndef QUENBY_TEST_HOOKS
    GTEST_SKIP() << "built without QUENBY_TEST_HOOKS, which damages a copy on the disk";
#else
    struct Undamaged {
        ~Undamaged() { platform::testhooks::DamageCopiesNamed({}); }
    } undamaged;
    const std::string photo(300'000, 'p');
    for (const bool verify : {true, false}) {
        SCOPED_TRACE(verify ? "verified" : "not verified");
        const test::TempFolder tmp;
        Photo(tmp, "Card/a.jpg", "a" + photo);
        Photo(tmp, "Card/b.jpg", "b" + photo);
        SortOptions options = Options(tmp);
        options.DeleteSources = true;
        options.VerifyCopies = verify;
        platform::testhooks::DamageCopiesNamed("b.jpg");
        const RunResult result = Run(options);

        const std::string day = tmp / "Photos/2014-05-03";
        ASSERT_GE(result.Messages.size(), 3U) << ::testing::PrintToString(result.Messages)
                                              << ::testing::PrintToString(result.Problems);
        EXPECT_EQ(result.Messages[2],
                  "File " + (tmp / "Card/a.jpg") + " was deleted from the Source Media");
        EXPECT_TRUE(Contents(day)["a.jpg"] == "a" + photo);
        if (verify) {
            EXPECT_EQ(result.Messages.back(), "File " + (tmp / "Card/b.jpg") +
                                                  " could not copied to " +
                                                  (tmp / "Photos/2014-05-03/b.jpg"));
            ASSERT_EQ(result.Problems.size(), 1U);
            EXPECT_NE(result.Problems[0].find("verification failed"), std::string::npos)
                << result.Problems[0];
            EXPECT_TRUE(test::ReadFile(tmp / "Card/b.jpg") == "b" + photo);
            EXPECT_EQ(test::ListFolder(day), Lines{"a.jpg"});
            EXPECT_EQ(result.Counts.Failed, 1);
        } else {
            EXPECT_TRUE(Contents(day)["b.jpg"] != "b" + photo) << "the hook damaged nothing";
        }
    }
#endif
}

// Keeping both: a copy whose name is taken by a different file takes the
// first numbered name that is free, or reads as existing where one holds
// the same. A source whose copy existed stays; every other is moved.
TEST_F(CarefulRunTest, KeepingBothLandsEveryDifferentPhotoOnce) {
    const struct {
        const char* Name;
        Files Sources;   // relative path → contents
        Files Existing;  // in the day folder
        Files Expected;  // the day folder afterwards
        std::vector<std::string> Kept;
        std::string Prefix = {};  // renames when set
        std::string Suffix = {};
        std::pair<std::string, std::string> TakenMeanwhile = {};  // after the first file
    } rows[] = {
        {"two cameras' first photo",
         {{"Card/IMG_0001.JPG", "one"}, {"Card2/IMG_0001.JPG", "two"}},
         {},
         {{"IMG_0001.JPG", "one"}, {"IMG_0001-2.JPG", "two"}},
         {}},
        {"a different file there, then its own earlier copy",
         {{"Card/IMG_0002.JPG", "mine"}, {"Card/IMG_0003.JPG", "new"}},
         {{"IMG_0002.JPG", "older"},
          {"IMG_0002-2.JPG", "mine"},
          {"IMG_0003.JPG", "x"},
          {"IMG_0003-2.JPG", "y"}},
         {{"IMG_0002.JPG", "older"},
          {"IMG_0002-2.JPG", "mine"},
          {"IMG_0003.JPG", "x"},
          {"IMG_0003-2.JPG", "y"},
          {"IMG_0003-3.JPG", "new"}},
         {"Card/IMG_0002.JPG"}},
        {"renamed, every photo of the day lands",
         {{"Card/a.jpg", "a"}, {"Card/b.jpg", "b"}, {"Card2/c.jpg", "c"}},
         {},
         {{"IMG_2014-05-03.jpg", "a"},
          {"IMG_2014-05-03-2.jpg", "b"},
          {"IMG_2014-05-03-3.jpg", "c"}},
         {},
         "IMG_",
         ".jpg"},
        {"renamed without an extension",
         {{"Card/a.jpg", "a"}, {"Card/b.jpg", "b"}},
         {},
         {{"P2014-05-03", "a"}, {"P2014-05-03-2", "b"}},
         {},
         "P"},
        {"a name taken after the folder was read",
         {{"Card/IMG_0009.JPG", "a"}, {"Card2/IMG_0009.JPG", "b"}},
         {},
         {{"IMG_0009.JPG", "a"}, {"IMG_0009-2.JPG", "someone's"}, {"IMG_0009-3.JPG", "b"}},
         {},
         "",
         "",
         {"IMG_0009-2.JPG", "someone's"}},
#ifdef _WIN32
        {"a name taken in other letters",
         {{"Card/IMG_0004.JPG", "new"}},
         {{"img_0004.jpg", "old"}},
         {{"img_0004.jpg", "old"}, {"IMG_0004-2.JPG", "new"}},
         {}},
#endif
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        const test::TempFolder tmp;
        for (const auto& [path, contents] : row.Sources) {
            Photo(tmp, path, contents);
        }
        const std::string day = tmp / "Photos/2014-05-03";
        test::MakeFolders(day);
        for (const auto& [name, contents] : row.Existing) {
            Photo(tmp, "Photos/2014-05-03/" + name, contents);
        }
        SortOptions options = Options(tmp);
        options.DeleteSources = true;
        options.OnNameClash = NameClash::KeepBoth;
        options.RenameFiles = !row.Prefix.empty();
        options.Prefix = row.Prefix;
        options.Suffix = row.Suffix;
        const RunResult result = Run(options, [&](const SortProgress& progress) {
            if (progress.RecordsDone == 1 && !row.TakenMeanwhile.first.empty()) {
                test::WriteFile(day + "/" + row.TakenMeanwhile.first, row.TakenMeanwhile.second);
            }
        });

        EXPECT_EQ(Contents(day), row.Expected);
        EXPECT_EQ(result.Counts.Failed, 0);
        for (const auto& [path, contents] : row.Sources) {
            const bool kept = std::find(row.Kept.begin(), row.Kept.end(), path) != row.Kept.end();
            EXPECT_EQ(test::Exists(tmp / path), kept) << path;
            if (kept) {
                EXPECT_EQ(test::ReadFile(tmp / path), contents) << path;
                continue;
            }
            // Its line names where it went.
            const std::string copied = "Copied file " + (tmp / path) + " to " + day;
            const auto line =
                std::find_if(result.Messages.begin(), result.Messages.end(),
                             [&](const std::string& text) { return text.rfind(copied, 0) == 0; });
            ASSERT_NE(line, result.Messages.end()) << path;
            EXPECT_EQ(test::ReadFile(line->substr(copied.size() - day.size())), contents);
        }
    }
}

TEST_F(CarefulRunTest, KeepingBothAFileTwoPatternsSelectIsMovedOnce) {
    const test::TempFolder tmp;
    Photo(tmp, "Card/x.jpg", "x");
    SortOptions options = Options(tmp);
    options.MaskText = "*.jpg;*.JPG";
    options.DeleteSources = true;
    options.OnNameClash = NameClash::KeepBoth;
    const RunResult result = Run(options);
    const std::string target = tmp / "Photos/2014-05-03/x.jpg";
    EXPECT_EQ(result.Messages,
              (Lines{"Folder " + (tmp / "Photos/2014-05-03") + " was created",
                     "Copied file " + (tmp / "Card/x.jpg") + " to " + target,
                     "File " + (tmp / "Card/x.jpg") + " was deleted from the Source Media",
                     "File " + target + " exists"}));
    EXPECT_TRUE(result.Problems.empty());
}

// The run copies through the target folder it opened: a folder put in its
// place meanwhile (a drive unmounted and its mount point left behind, or a
// folder renamed away) ends the run, and nothing lands in the new one.
TEST_F(CarefulRunTest, ATargetFolderPutInItsPlaceStopsTheRun) {
    const test::TempFolder tmp;
    Photo(tmp, "Card/a.jpg", "a");
    Photo(tmp, "Card/b.jpg", "b", 4);
    Photo(tmp, "Card/c.jpg", "c", 5);
    SortOptions options = Options(tmp);
    options.DeleteSources = true;
    const RunResult result = Run(options, [&](const SortProgress& progress) {
        if (progress.RecordsDone == 1) {
            fs::rename(tmp / "Photos", tmp / "Away");
            test::MakeFolders(tmp / "Photos");
        }
    });
    EXPECT_EQ(result.Counts.Copied, 1);
    EXPECT_EQ(result.Messages.back(), "File " + (tmp / "Card/b.jpg") + " could not copied to " +
                                          (tmp / "Photos/2014-05-04/b.jpg"));
    EXPECT_EQ(result.Problems,
              Lines{"cannot copy " + (tmp / "Card/b.jpg") + " to " +
                    (tmp / "Photos/2014-05-04/b.jpg") + ": the target folder " + (tmp / "Photos") +
                    " is no longer the folder it was: stopped"});
    EXPECT_TRUE(test::ListFolder(tmp / "Photos").empty());
    EXPECT_EQ(test::ReadFile(tmp / "Away/2014-05-03/a.jpg"), "a");
    EXPECT_EQ(test::ListFolder(tmp / "Card"), (Lines{"b.jpg", "c.jpg"}));
}

}  // namespace
}  // namespace quenby
