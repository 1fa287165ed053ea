// quenby-sort as a script sees it: standard output, standard error and the
// exit status of the real executable.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/tempfolder.h"

namespace quenby {
namespace {

using test::TempFolder;

struct Result {
    int ExitCode = -1;
    std::string Out;
    std::string Err;
};

std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

Result RunSort(const TempFolder& tmp, const std::vector<std::string>& arguments) {
    std::string command = Quote(QUENBY_SORT_EXECUTABLE);
    for (const std::string& argument : arguments) {
        command += " " + Quote(argument);
    }
    command += " >" + Quote(tmp / "stdout.txt") + " 2>" + Quote(tmp / "stderr.txt") + " </dev/null";
    const int status = std::system(command.c_str());
    Result result;
    result.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.Out = test::ReadFile(tmp / "stdout.txt");
    result.Err = test::ReadFile(tmp / "stderr.txt");
    return result;
}

class QuenbySortTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::WriteFile(m_tmp / "Card/DCIM/a.jpg", "a");
        test::SetLocalMtime(m_tmp / "Card/DCIM/a.jpg", 2014, 5, 3, 14, 0);
        test::WriteFile(m_tmp / "Card/b.AVI", "b");
        test::SetLocalMtime(m_tmp / "Card/b.AVI", 2014, 5, 4, 9, 0);
        test::MakeFolders(m_tmp / "Photos");
    }
    TempFolder m_tmp;
};

TEST_F(QuenbySortTest, PrintsEveryLineThenTheSummary) {
    const Result result = RunSort(m_tmp, {"-t", m_tmp / "Photos", m_tmp / "Card"});
    EXPECT_EQ(result.ExitCode, 0) << result.Err;
    const std::string photos = m_tmp / "Photos";
    const std::string card = m_tmp / "Card";
    EXPECT_EQ(result.Out, "Folder " + photos +
                              "/2014-05-03 was created\n"
                              "Copied file " +
                              card + "/DCIM/a.jpg to " + photos +
                              "/2014-05-03/a.jpg\n"
                              "Folder " +
                              photos +
                              "/2014-05-04 was created\n"
                              "Copied file " +
                              card + "/b.AVI to " + photos +
                              "/2014-05-04/b.AVI\n"
                              "2 of 2 files copied\n");
    // Not a terminal: no progress bar.
    EXPECT_EQ(result.Err, "");

    const Result again = RunSort(m_tmp, {"-q", "-t", photos, card});
    EXPECT_EQ(again.ExitCode, 0);
    EXPECT_EQ(again.Out, "File " + photos +
                             "/2014-05-03/a.jpg exists\n"
                             "File " +
                             photos +
                             "/2014-05-04/b.AVI exists\n"
                             "0 of 2 files copied\n");
}

TEST_F(QuenbySortTest, RenamesAndDeletesOnRequest) {
    const Result result =
        RunSort(m_tmp, {"-t", m_tmp / "Photos", "-m", "*.jpg", "-l", "2", "-s", ".", "--prefix",
                        "IMG_", "--rename", "--delete", m_tmp / "Card"});
    EXPECT_EQ(result.ExitCode, 0) << result.Err;
    EXPECT_EQ(test::ReadFile(m_tmp / "Photos/03.05.2014/IMG_03.05.2014"), "a");
    EXPECT_FALSE(test::Exists(m_tmp / "Card/DCIM/a.jpg"));
    EXPECT_TRUE(test::Exists(m_tmp / "Card/b.AVI"));
    EXPECT_NE(result.Out.find("was deleted from the Source Media\n1 of 1 files copied\n"),
              std::string::npos)
        << result.Out;
}

TEST_F(QuenbySortTest, ExitCodeOneWhenAFileCouldNotBeCopied) {
    const Result result = RunSort(m_tmp, {"-t", m_tmp / "Missing", m_tmp / "Card"});
    EXPECT_EQ(result.ExitCode, 1);
    EXPECT_NE(result.Out.find("could not copied to"), std::string::npos);
    EXPECT_NE(result.Out.find("0 of 2 files copied\n"), std::string::npos);
}

TEST_F(QuenbySortTest, UsageErrorsTouchNothing) {
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{m_tmp / "Card"},
          {"-t", m_tmp / "Photos", "-l", "7", m_tmp / "Card"},
          {"-t", m_tmp / "Photos", "-s", ":", "--delete", m_tmp / "Card"},
          {"-t", m_tmp / "Photos", "--frobnicate", m_tmp / "Card"}}) {
        const Result result = RunSort(m_tmp, arguments);
        EXPECT_EQ(result.ExitCode, 2);
        EXPECT_EQ(result.Out, "");
        EXPECT_EQ(std::count(result.Err.begin(), result.Err.end(), '\n'), 1) << result.Err;
    }
    EXPECT_TRUE(test::ListFolder(m_tmp / "Photos").empty());
    EXPECT_TRUE(test::Exists(m_tmp / "Card/DCIM/a.jpg"));
}

}  // namespace
}  // namespace quenby
