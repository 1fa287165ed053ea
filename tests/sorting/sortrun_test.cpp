#include "sorting/sortrun.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/files/pathsep.h"
#include "sorting/datenaming.h"
#include "tests/support/tempfolder.h"

namespace quenby {
namespace {

using test::TempFolder;
using Lines = std::vector<std::string>;

class SortRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetDateNaming();
        test::MakeFolders(m_tmp / "Photos");
    }
    void TearDown() override { ResetDateNaming(); }

    // A photo last written at 14:00 local time on the given day.
    void Photo(const std::string& relative, int year = 2014, int month = 5, int day = 3,
               const std::string& contents = "jpeg") {
        test::WriteFile(m_tmp / relative, contents);
        test::SetLocalMtime(m_tmp / relative, year, month, day, 14, 0);
    }

    SortOptions Options() const {
        SortOptions options;
        options.SourceFolders = {m_tmp / "Card"};
        options.TargetRoot = m_tmp / "Photos";
        options.SeparatorIndex = 0;
        options.SeparatorChar = U'-';
        return options;
    }

    SortCounts Run(const SortOptions& options) {
        m_messages = MessageList();
        m_progress.clear();
        return SortRun(options, m_messages, [this](const SortProgress& progress) {
            m_progress.push_back(progress.Text());
        });
    }

    std::string P(const std::string& relative) const { return m_tmp / relative; }

    TempFolder m_tmp;
    MessageList m_messages;
    Lines m_progress;
};

TEST_F(SortRunTest, TheOneFileExample) {
    Photo("Card/a.jpg");
    const SortCounts counts = Run(Options());
    EXPECT_EQ(m_messages.Lines(),
              (Lines{"Folder " + P("Photos/2014-05-03") + " was created",
                     "Copied file " + P("Card/a.jpg") + " to " + P("Photos/2014-05-03/a.jpg")}));
    EXPECT_EQ(m_progress, Lines{"1 of 1 files copied"});
    EXPECT_EQ(counts.Copied, 1);
    EXPECT_EQ(counts.Found, 1);
    EXPECT_EQ(test::ReadFile(P("Photos/2014-05-03/a.jpg")), "jpeg");
    EXPECT_TRUE(test::Exists(P("Card/a.jpg")));
}

TEST_F(SortRunTest, RunningAgainOnlyReportsWhatExists) {
    Photo("Card/a.jpg");
    Photo("Card/b.avi", 2014, 5, 4);
    Run(Options());
    const SortCounts counts = Run(Options());
    EXPECT_EQ(m_messages.Lines(), (Lines{"File " + P("Photos/2014-05-03/a.jpg") + " exists",
                                         "File " + P("Photos/2014-05-04/b.avi") + " exists"}));
    EXPECT_EQ(m_progress, (Lines{"0 of 2 files copied", "0 of 2 files copied"}));
    EXPECT_EQ(counts.Copied, 0);
    EXPECT_EQ(counts.Found, 2);
}

TEST_F(SortRunTest, NothingToDoAppendsNothing) {
    Photo("Card/a.jpg");
    SortOptions emptyMask = Options();
    emptyMask.MaskText = "";
    SortOptions noSources = Options();
    noSources.SourceFolders.clear();
    for (const SortOptions& options : {emptyMask, noSources}) {
        const SortCounts counts = Run(options);
        EXPECT_EQ(m_messages.Count(), 0U);
        EXPECT_TRUE(m_progress.empty());
        EXPECT_EQ(counts.Copied, 0);
        EXPECT_EQ(counts.Found, 0);
    }
    EXPECT_TRUE(test::ListFolder(P("Photos")).empty());
}

TEST_F(SortRunTest, SourceFoldersOuterPatternsInner) {
    Photo("Card/a.avi");
    Photo("Card/b.jpg");
    Photo("Card2/c.jpg");
    Photo("Card2/d.avi", 2014, 5, 4);
    SortOptions options = Options();
    options.SourceFolders = {P("Card"), P("Card2")};
    Run(options);
    EXPECT_EQ(m_messages.Lines(),
              (Lines{"Folder " + P("Photos/2014-05-03") + " was created",
                     "Copied file " + P("Card/b.jpg") + " to " + P("Photos/2014-05-03/b.jpg"),
                     "Copied file " + P("Card/a.avi") + " to " + P("Photos/2014-05-03/a.avi"),
                     "Copied file " + P("Card2/c.jpg") + " to " + P("Photos/2014-05-03/c.jpg"),
                     "Folder " + P("Photos/2014-05-04") + " was created",
                     "Copied file " + P("Card2/d.avi") + " to " + P("Photos/2014-05-04/d.avi")}));
}

TEST_F(SortRunTest, TheSameExtensionTwiceCollectsEachFileTwice) {
    Photo("Card/a.jpg");
    SortOptions options = Options();
    options.MaskText = "*.jpg;*.JPG";
    const SortCounts counts = Run(options);
    EXPECT_EQ(counts.Found, 2);
    EXPECT_EQ(counts.Copied, 1);
    EXPECT_EQ(m_messages.Lines().back(), "File " + P("Photos/2014-05-03/a.jpg") + " exists");
}

TEST_F(SortRunTest, ABlankAfterASemicolonBelongsToThePattern) {
    Photo("Card/clip.avi");
    Photo("Card/ clip2.avi");
    SortOptions options = Options();
    options.MaskText = "*.jpg; *.avi";
    const SortCounts counts = Run(options);
    EXPECT_EQ(counts.Found, 1);
    EXPECT_TRUE(test::Exists(P("Photos/2014-05-03/ clip2.avi")));
    EXPECT_FALSE(test::Exists(P("Photos/2014-05-03/clip.avi")));
}

TEST_F(SortRunTest, RenamedCopiesOfOneDayShareOneName) {
    Photo("Card/a.jpg", 2014, 5, 3, "first");
    Photo("Card/b.jpg", 2014, 5, 3, "second");
    SortOptions options = Options();
    options.Prefix = "IMG_";
    options.Suffix = "";
    options.RenameFiles = true;
    options.DeleteSources = true;
    const SortCounts counts = Run(options);
    EXPECT_EQ(
        m_messages.Lines(),
        (Lines{"Folder " + P("Photos/2014-05-03") + " was created",
               "Copied file " + P("Card/a.jpg") + " to " + P("Photos/2014-05-03/IMG_2014-05-03"),
               "File " + P("Card/a.jpg") + " was deleted from the Source Media",
               "File " + P("Photos/2014-05-03/IMG_2014-05-03") + " exists"}));
    EXPECT_EQ(counts.Copied, 1);
    EXPECT_EQ(test::ReadFile(P("Photos/2014-05-03/IMG_2014-05-03")), "first");
    EXPECT_FALSE(test::Exists(P("Card/a.jpg")));
    EXPECT_EQ(test::ReadFile(P("Card/b.jpg")), "second");
}

TEST_F(SortRunTest, ProgressCountsCopiesNotRecords) {
    for (int i = 1; i <= 7; ++i) {
        Photo("Card/" + std::to_string(i) + ".jpg");
    }
    for (int i : {1, 3, 5, 6}) {
        test::WriteFile(P("Photos/2014-05-03/" + std::to_string(i) + ".jpg"), "old");
    }
    const SortCounts counts = Run(Options());
    ASSERT_EQ(m_progress.size(), 7U);
    EXPECT_EQ(m_progress[6], "3 of 7 files copied");
    EXPECT_EQ(m_progress[1], "1 of 7 files copied");
    EXPECT_EQ(counts.Copied, 3);
    EXPECT_EQ(test::ReadFile(P("Photos/2014-05-03/1.jpg")), "old");
}

TEST_F(SortRunTest, TheOptionsNameTheFolderAndTheProcessWideNamingStaysAsItWas) {
    Photo("Card/a.jpg");
    const DateNamingSettings before{"yy/mm/dd", U'/'};
    DateNaming() = before;
    SortOptions options = Options();
    options.LayoutIndex = 3;
    options.SeparatorIndex = 5;
    options.SeparatorChar = U'#';
    options.RenameFiles = true;
    Run(options);
    EXPECT_TRUE(test::Exists(P("Photos/3#5#2014/3#5#2014")));
    // A damaged layout index takes the pattern the options carry.
    options.LayoutIndex = 9;
    options.FallbackDatePattern = "dd/mm/yyyy";
    Run(options);
    EXPECT_TRUE(test::Exists(P("Photos/03#05#2014/03#05#2014")));
    EXPECT_EQ(DateNaming().Pattern, before.Pattern);
    EXPECT_EQ(DateNaming().Separator, before.Separator);
}

TEST_F(SortRunTest, ARelativeTargetIsTakenFromTheCurrentFolder) {
    Photo("Card/a.jpg");
    char previous[4096];
    ASSERT_NE(::getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(::chdir(P("Photos").c_str()), 0);
    SortOptions options = Options();
    options.TargetRoot = "sorted";
    test::MakeFolders("sorted");
    Run(options);
    ASSERT_EQ(::chdir(previous), 0);
    EXPECT_EQ(m_messages.Lines()[0], "Folder " + std::string("sorted") + platform::kPathSeparator +
                                         "2014-05-03 was created");
    EXPECT_TRUE(test::Exists(P("Photos/sorted/2014-05-03/a.jpg")));
}

TEST(SplitMaskTest, CutsAtEverySemicolonAndKeepsBlanks) {
    using Patterns = std::vector<std::string>;
    EXPECT_EQ(SplitMask(""), Patterns{});
    EXPECT_EQ(SplitMask("*.jpg"), Patterns{"*.jpg"});
    EXPECT_EQ(SplitMask("*.jpg;*.avi"), (Patterns{"*.jpg", "*.avi"}));
    EXPECT_EQ(SplitMask("*.jpg; *.avi "), (Patterns{"*.jpg", " *.avi "}));
    EXPECT_EQ(SplitMask(";a;;b;"), (Patterns{"", "a", "", "b", ""}));
    EXPECT_EQ(SplitMask(";"), (Patterns{"", ""}));
}

TEST(MessageListTest, ListenerHearsEveryLineInOrder) {
    MessageList list;
    std::vector<std::string> heard;
    list.SetListener([&](const std::string& line) { heard.push_back(line); });
    list.Add("one");
    list.Add("two");
    EXPECT_EQ(heard, list.Lines());
    EXPECT_EQ(list.Count(), 2U);

    list.SetRetainLines(false);
    list.Add("three");
    EXPECT_EQ(heard.back(), "three");
    EXPECT_EQ(list.Count(), 2U);
}

}  // namespace
}  // namespace quenby
