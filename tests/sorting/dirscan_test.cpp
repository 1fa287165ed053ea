#include "sorting/dirscan.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/files/pathsep.h"
#include "platform/locale/localtime.h"
#ifndef _WIN32
#include "tests/support/childprocess.h"
#endif
#include "tests/support/tempfolder.h"

namespace quenby {
namespace {

using test::TempFolder;

// Full paths reported for one pattern, relative to the scanned root.
std::vector<std::string> Scan(const std::string& root, const std::string& start,
                              const std::string& pattern) {
    std::vector<std::string> reported;
    ScanFolderTree(start, pattern, [&](const std::string& folderPath, const ScanEntry& entry) {
        EXPECT_EQ(folderPath.back(), platform::kPathSeparator);
        EXPECT_EQ(entry.Attributes & kDirectoryAttribute, 0U);
        // Written with "/" whatever the system, so one table serves all.
        std::string relative = (folderPath + entry.Name).substr(root.size() + 1);
        std::replace(relative.begin(), relative.end(), platform::kPathSeparator, '/');
        reported.push_back(relative);
    });
    return reported;
}

TEST(ScanFolderTreeTest, WalksDepthFirstWithFilesBeforeSubFolders) {
    TempFolder tmp;
    for (const char* file :
         {"A/x.jpg", "A/B/y.jpg", "A/B/C/z.jpg", "A/B/note.txt", "A/D/w.JPG", "A/a.jpg"}) {
        test::WriteFile(tmp / file, "x");
    }
    const std::vector<std::string> expected = {"A/a.jpg", "A/x.jpg", "A/B/y.jpg", "A/B/C/z.jpg",
                                               "A/D/w.JPG"};
    EXPECT_EQ(Scan(tmp.Path(), tmp / "A", "*.jpg"), expected);
    EXPECT_EQ(Scan(tmp.Path(), tmp / "A/", "*.jpg"), expected);
    std::vector<std::string> folders;
    ScanFolderTree(tmp / "A", "y.jpg", [&](const std::string& folderPath, const ScanEntry& entry) {
        folders.push_back(folderPath);
        EXPECT_EQ(entry.Name, "y.jpg");
    });
    EXPECT_EQ(folders, (std::vector<std::string>{tmp / "A/B/"}));
}

TEST(ScanFolderTreeTest, ReportsNothingWhereThereIsNothingToWalk) {
    TempFolder tmp;
    test::WriteFile(tmp / "A/x.jpg", "x");
    int calls = 0;
    const ScanCallback count = [&](const std::string&, const ScanEntry&) { ++calls; };
    ScanFolderTree("", "*.jpg", count);
    ScanFolderTree(tmp / "missing", "*.jpg", count);
    ScanFolderTree(tmp / "A/x.jpg", "*.jpg", count);
    ScanFolderTree(tmp / "A", "", count);
    EXPECT_EQ(calls, 0);
}

#ifndef _WIN32
TEST(ScanFolderTreeTest, HiddenFilesCountAndFolderNamesNeverMatch) {
    TempFolder tmp;
    test::WriteFile(tmp / "A/.hidden.jpg", "x");
    test::WriteFile(tmp / "A/x.jpg/inner.jpg", "x");
    test::WriteFile(tmp / "A/.thumbs/t.jpg", "x");
    ASSERT_EQ(::chmod((tmp / "A/.hidden.jpg").c_str(), 0444), 0);
    EXPECT_EQ(Scan(tmp.Path(), tmp / "A", "*.jpg"),
              (std::vector<std::string>{"A/.hidden.jpg", "A/.thumbs/t.jpg", "A/x.jpg/inner.jpg"}));
}

TEST(ScanFolderTreeTest, LinksToFoldersAreNotEnteredButTheStartMayBeOne) {
    TempFolder tmp;
    test::WriteFile(tmp / "A/x.jpg", "x");
    test::WriteFile(tmp / "A/B/y.jpg", "x");
    test::WriteFile(tmp / "Other/z.jpg", "x");
    ASSERT_EQ(::symlink("..", (tmp / "A/B/up").c_str()), 0);
    ASSERT_EQ(::symlink(".", (tmp / "A/B/self").c_str()), 0);
    ASSERT_EQ(::symlink("B", (tmp / "A/C").c_str()), 0);
    ASSERT_EQ(::symlink("../Other", (tmp / "A/D").c_str()), 0);
    // A link to a file is reported like the file.
    ASSERT_EQ(::symlink("../Other/z.jpg", (tmp / "A/w.jpg").c_str()), 0);
    EXPECT_EQ(Scan(tmp.Path(), tmp / "A", "*.jpg"),
              (std::vector<std::string>{"A/w.jpg", "A/x.jpg", "A/B/y.jpg"}));
    ASSERT_EQ(::symlink("A", (tmp / "Card").c_str()), 0);
    EXPECT_EQ(Scan(tmp.Path(), tmp / "Card", "*.jpg"),
              (std::vector<std::string>{"Card/w.jpg", "Card/x.jpg", "Card/B/y.jpg"}));
}

TEST(ScanFolderTreeTest, AnUnreadableFolderIsPassedOverAndReported) {
    TempFolder tmp;
    ASSERT_EQ(::chmod(tmp.Path().c_str(), 0755), 0);
    test::WriteFile(tmp / "A/a.jpg", "x");
    test::WriteFile(tmp / "A/B/locked.jpg", "x");
    test::WriteFile(tmp / "A/C/c.jpg", "x");
    ASSERT_EQ(::chmod((tmp / "A/B").c_str(), 0700), 0);
    const std::string root = tmp.Path();
    const int result = test::RunInChild(
        [&] {
            std::vector<std::string> found;
            std::vector<std::string> unreadable;
            ScanControl control;
            control.OnUnreadableFolder = [&](const std::string& path, const std::string& reason) {
                unreadable.push_back(path + ": " + reason);
            };
            const std::string patterns[] = {"*.jpg"};
            ScanFolderTreeForPatterns(
                root + "/A", patterns,
                [&](std::size_t, const std::string& folderPath, const ScanEntry& entry) {
                    found.push_back(folderPath + entry.Name);
                },
                control);
            const bool foundRight =
                found == std::vector<std::string>{root + "/A/a.jpg", root + "/A/C/c.jpg"};
            const bool reported =
                unreadable == std::vector<std::string>{root + "/A/B/: Permission denied"};
            return foundRight && reported ? 0 : 1;
        },
        true);
    EXPECT_EQ(result, 0);
}

#endif

TEST(ScanFolderTreeTest, AFailingCallbackEndsTheWalk) {
    TempFolder tmp;
    test::WriteFile(tmp / "A/a.jpg", "x");
    test::WriteFile(tmp / "A/B/b.jpg", "x");
    int calls = 0;
    EXPECT_THROW(ScanFolderTree(tmp / "A", "*.jpg",
                                [&](const std::string&, const ScanEntry&) {
                                    ++calls;
                                    throw std::runtime_error("stop");
                                }),
                 std::runtime_error);
    EXPECT_EQ(calls, 1);
}

TEST(ScanFolderTreeTest, AStopRequestEndsTheWalkAtTheNextFolder) {
    TempFolder tmp;
    test::WriteFile(tmp / "A/a.jpg", "x");
    test::WriteFile(tmp / "A/b.jpg", "x");
    test::WriteFile(tmp / "A/B/c.jpg", "x");
    std::vector<std::string> names;
    ScanFolderTree(tmp / "A", "*.jpg", [&](const std::string&, const ScanEntry& entry) {
        names.push_back(entry.Name);
        ScanStopRequested = true;
    });
    EXPECT_EQ(names, (std::vector<std::string>{"a.jpg", "b.jpg"}));
    // The next scan starts afresh.
    EXPECT_EQ(Scan(tmp.Path(), tmp / "A", "*.jpg").size(), 3U);
}

TEST(ScanFolderTreeTest, OneWalkForSeveralPatternsKeepsEachPatternsOrder) {
    TempFolder tmp;
    for (const char* file : {"A/1.jpg", "A/2.avi", "A/3.JPG", "A/B/4.avi", "A/B/5.jpg",
                             "A/B/C/6.jpg", "A/D/7.avi", "A/D/8.txt", "A/ 9.avi"}) {
        test::WriteFile(tmp / file, "x");
    }
    const std::vector<std::string> patterns = {"*.jpg", "*.avi", "*.JPG", " *", ""};
    std::vector<std::vector<std::string>> together(patterns.size());
    ScanFolderTreeForPatterns(
        tmp / "A", patterns,
        [&](std::size_t index, const std::string& folderPath, const ScanEntry& entry) {
            together[index].push_back(folderPath + entry.Name);
        });
    for (std::size_t i = 0; i < patterns.size(); ++i) {
        std::vector<std::string> alone;
        ScanFolderTree(tmp / "A", patterns[i],
                       [&](const std::string& folderPath, const ScanEntry& entry) {
                           alone.push_back(folderPath + entry.Name);
                       });
        EXPECT_EQ(together[i], alone) << "pattern \"" << patterns[i] << "\"";
    }
    EXPECT_EQ(together[0].size(), 4U);
    EXPECT_EQ(together[3].size(), 1U);
}

#ifndef _WIN32
// The local date of a file is read at the offset in force when it was
// written, so the summer photo keeps its day whatever the season of the scan.
TEST(LocalTimeStampTest, UsesTheOffsetOfTheFilesOwnMoment) {
    test::TimeZoneGuard berlin("Europe/Berlin");
    TempFolder tmp;
    test::WriteFile(tmp / "summer.jpg", "x");
    test::WriteFile(tmp / "winter.jpg", "x");
    test::SetMtime(tmp / "summer.jpg", 1404167400);  // 2014-06-30 22:30 UTC = 1 July 00:30 CEST
    test::SetMtime(tmp / "winter.jpg", 1388532600);  // 2013-12-31 23:30 UTC = 1 Jan 00:30 CET
    std::vector<DateTimeValue> stamps;
    ScanFolderTree(tmp.Path(), "*.jpg", [&](const std::string&, const ScanEntry& entry) {
        stamps.push_back(LocalTimeStamp(entry));
    });
    ASSERT_EQ(stamps.size(), 2U);
    DateTimeValue july1 = 0;
    DateTimeValue january1 = 0;
    ASSERT_TRUE(TryEncodeDate(2014, 7, 1, july1));
    ASSERT_TRUE(TryEncodeDate(2014, 1, 1, january1));
    const double halfPastMidnight = 30.0 / (24 * 60);
    EXPECT_NEAR(stamps[0], july1 + halfPastMidnight, 1e-9);     // summer.jpg
    EXPECT_NEAR(stamps[1], january1 + halfPastMidnight, 1e-9);  // winter.jpg
}

TEST(LocalTimeStampTest, TimesThatCannotBeConvertedGiveTheEpoch) {
    test::TimeZoneGuard utc("UTC");
    ScanEntry entry;
    entry.LastWriteTime = UINT64_MAX;
    EXPECT_EQ(LocalTimeStamp(entry), 0.0);
    // Past the year 9999.
    entry.LastWriteTime = 0x7FFF'FFFF'FFFF'FFFFULL;
    EXPECT_EQ(LocalTimeStamp(entry), 0.0);
    // 1 January 1601 is a valid day, before the epoch.
    entry.LastWriteTime = 0;
    DateTimeValue day = 0;
    ASSERT_TRUE(TryEncodeDate(1601, 1, 1, day));
    EXPECT_EQ(LocalTimeStamp(entry), day);
    // Milliseconds are kept: 2014-05-03 14:00:00.500 UTC.
    entry.LastWriteTime = (1399125600ULL + 11644473600ULL) * 10'000'000ULL + 5'000'000ULL;
    ASSERT_TRUE(TryEncodeDate(2014, 5, 3, day));
    EXPECT_NEAR(LocalTimeStamp(entry), day + (14 * 3600 + 0.5) / 86400.0, 1e-9);
}

#endif

}  // namespace
}  // namespace quenby
