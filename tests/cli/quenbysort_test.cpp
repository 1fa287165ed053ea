// quenby-sort as a script sees it: standard output, standard error and the
// exit status of the real executable.
#include <gtest/gtest.h>
#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <sys/wait.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include "platform/text/widetext.h"
#endif
#include "tests/support/envguard.h"
#include "tests/support/mediafixtures.h"
#ifndef _WIN32
#include "tests/support/childprocess.h"
#endif
#include "tests/support/tempfolder.h"

namespace quenby {
namespace {

using test::TempFolder;

struct Result {
    int ExitCode = -1;
    std::string Out;
    std::string Err;
};

#ifdef _WIN32
// Quotes one argument the way CommandLineToArgvW reads it back.
std::wstring Quote(const std::wstring& text) {
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : text) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted.push_back(c);
    }
    quoted.append(backslashes * 2, L'\\');
    return quoted + L"\"";
}

HANDLE Inheritable(const std::string& path, DWORD access, DWORD disposition) {
    SECURITY_ATTRIBUTES security{sizeof security, nullptr, TRUE};
    return ::CreateFileW(platform::ToWide(path).c_str(), access, FILE_SHARE_READ, &security,
                         disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// The console's line ends become plain ones, so one expectation serves all.
std::string WithoutCarriageReturns(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

Result RunSort(const TempFolder& tmp, const std::vector<std::string>& arguments) {
    std::wstring command = Quote(platform::ToWide(QUENBY_SORT_EXECUTABLE));
    for (const std::string& argument : arguments) {
        command += L" " + Quote(platform::ToWide(argument));
    }
    // Fresh files per run: Wine may still hold the last run's for a moment.
    static int run = 0;
    ++run;
    const std::string outPath = tmp / ("stdout-" + std::to_string(run) + ".txt");
    const std::string errPath = tmp / ("stderr-" + std::to_string(run) + ".txt");
    const HANDLE out = Inheritable(outPath, GENERIC_WRITE, CREATE_ALWAYS);
    const HANDLE err = Inheritable(errPath, GENERIC_WRITE, CREATE_ALWAYS);
    const HANDLE in = Inheritable("NUL", GENERIC_READ, OPEN_EXISTING);
    EXPECT_NE(out, INVALID_HANDLE_VALUE) << outPath;
    EXPECT_NE(err, INVALID_HANDLE_VALUE) << errPath;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in;
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION process{};
    Result result;
    if (::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                         nullptr, &startup, &process)) {
        ::WaitForSingleObject(process.hProcess, INFINITE);
        DWORD code = 0;
        ::GetExitCodeProcess(process.hProcess, &code);
        result.ExitCode = static_cast<int>(code);
        ::CloseHandle(process.hThread);
        ::CloseHandle(process.hProcess);
    }
    for (const HANDLE handle : {out, err, in}) {
        ::CloseHandle(handle);
    }
    result.Out = WithoutCarriageReturns(test::ReadFile(outPath));
    result.Err = WithoutCarriageReturns(test::ReadFile(errPath));
    return result;
}
#else
std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

// `output` redirects standard output as the shell writes it; by default it
// goes to a file that the result then holds.
Result RunSort(const TempFolder& tmp, const std::vector<std::string>& arguments,
               const std::string& output = {}) {
    std::string command = Quote(QUENBY_SORT_EXECUTABLE);
    for (const std::string& argument : arguments) {
        command += " " + Quote(argument);
    }
    command += " " + (output.empty() ? ">" + Quote(tmp / "stdout.txt") : output) + " 2>" +
               Quote(tmp / "stderr.txt") + " </dev/null";
    const int status = std::system(command.c_str());
    Result result;
    result.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.Out = test::ReadFile(tmp / "stdout.txt");
    result.Err = test::ReadFile(tmp / "stderr.txt");
    return result;
}
#endif

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
    EXPECT_EQ(result.Out, "Folder " + (m_tmp / "Photos/2014-05-03") + " was created\n" +
                              "Copied file " + (m_tmp / "Card/DCIM/a.jpg") + " to " +
                              (m_tmp / "Photos/2014-05-03/a.jpg") + "\n" + "Folder " +
                              (m_tmp / "Photos/2014-05-04") + " was created\n" + "Copied file " +
                              (m_tmp / "Card/b.AVI") + " to " +
                              (m_tmp / "Photos/2014-05-04/b.AVI") + "\n" + "2 of 2 files copied\n");
    // Not a terminal: no progress bar.
    EXPECT_EQ(result.Err, "");

    const Result again = RunSort(m_tmp, {"-q", "-t", photos, card});
    EXPECT_EQ(again.ExitCode, 0);
    EXPECT_EQ(again.Out, "File " + (m_tmp / "Photos/2014-05-03/a.jpg") + " exists\n" + "File " +
                             (m_tmp / "Photos/2014-05-04/b.AVI") + " exists\n" +
                             "0 of 2 files copied\n");
}

// --only-new as a script uses it: a card put in again brings nothing whose
// copy was deleted, --forget-imported lets it all come again, and a damaged
// memory is a usage error that touches nothing.
TEST_F(QuenbySortTest, OnlyNewRemembersAndForgetImportedForgets) {
    const test::EnvGuard data("XDG_DATA_HOME", m_tmp / "data");
    const std::string photos = m_tmp / "Photos";
    const std::vector<std::string> onlyNew = {"-q", "--only-new", "-t", photos, m_tmp / "Card"};
    const auto deleteCopies = [&] {
        std::filesystem::remove_all(photos);
        test::MakeFolders(photos);
    };
    const struct {
        const char* Name;
        std::vector<std::string> Arguments;
        bool DeleteCopiesFirst;
        std::string Ends;
    } steps[] = {
        {"First", onlyNew, false, "2 of 2 files copied\n"},
        {"CopiesDeleted", onlyNew, true,
         "File " + (m_tmp / "Card/b.AVI") + " was imported before\n0 of 2 files copied\n"},
        {"Forget", {"--forget-imported", "-t", photos}, false, " were forgotten\n"},
        {"AfterForgetting", onlyNew, false, "2 of 2 files copied\n"},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.Name);
        if (step.DeleteCopiesFirst) {
            deleteCopies();
        }
        const Result result = RunSort(m_tmp, step.Arguments);
        EXPECT_EQ(result.ExitCode, 0) << result.Err;
        EXPECT_TRUE(result.Out.ends_with(step.Ends)) << result.Out;
    }
#ifndef _WIN32
    deleteCopies();
    test::WriteFile(m_tmp / "data/Vexmoor/quenby/imported.sqlite", std::string(4096, 'x'));
    const Result refused = RunSort(m_tmp, onlyNew);
    EXPECT_EQ(refused.ExitCode, 2);
    EXPECT_NE(refused.Err.find(m_tmp / "data/Vexmoor/quenby/imported.sqlite"), std::string::npos)
        << refused.Err;
    EXPECT_TRUE(test::ListFolder(photos).empty());
#endif
}

TEST_F(QuenbySortTest, FolderNamesBeyondAsciiArriveWhole) {
    const std::string card = m_tmp / "Kärtchen Фото";
    test::WriteFile(card + "/c.jpg", "c");
    test::SetLocalMtime(card + "/c.jpg", 2014, 5, 5, 9, 0);
    const Result result = RunSort(m_tmp, {"-t", m_tmp / "Photos", card});
    EXPECT_EQ(result.ExitCode, 0) << result.Err;
    EXPECT_EQ(test::ReadFile(m_tmp / "Photos/2014-05-05/c.jpg"), "c");
    EXPECT_NE(result.Out.find("Copied file " + (m_tmp / "Kärtchen Фото/c.jpg")), std::string::npos)
        << result.Out;
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
    // A folder stands where the copy should go.
    test::MakeFolders(m_tmp / "Photos/2014-05-03/a.jpg");
    const Result result = RunSort(m_tmp, {"-t", m_tmp / "Photos", m_tmp / "Card"});
    EXPECT_EQ(result.ExitCode, 1);
    EXPECT_NE(result.Out.find("could not copied to"), std::string::npos);
    EXPECT_NE(result.Out.find("1 of 2 files copied\n"), std::string::npos);
}

// Phone and camera files copied to the computer a month later: by capture
// date each lands on the day it was taken, by file time on the copy's day.
TEST_F(QuenbySortTest, SortsAMixedFolderByCaptureDateOnRequest) {
    const test::TimeZoneGuard berlin("Europe/Berlin");
    const std::string card = m_tmp / "Phone";
    const struct {
        const char* Name;
        std::string Bytes;
        const char* TakenOn;
    } files[] = {
        {"IMG_1.jpg", test::Jpeg(test::Tiff("2021:07:04 00:15:00")), "2021-07-04"},
        {"IMG_2.heic", test::Heic(test::Tiff("2021:07:03 18:00:00")), "2021-07-03"},
        // 22:30 UTC, half past midnight in Berlin.
        {"VID_3.mp4", test::QuickTime("mp42", test::Seconds1904(2021, 7, 3, 22, 30)), "2021-07-04"},
        {"MVI_4.avi", test::Avi("SUN JUL 04 10:00:00 2010\n"), "2010-07-04"},
        {"scan.jpg", test::Jpeg(""), "2021-08-01"},
    };
    for (const auto& file : files) {
        test::WriteFile(card + "/" + file.Name, file.Bytes);
        test::SetLocalMtime(card + "/" + file.Name, 2021, 8, 1, 12, 0);
    }
    test::MakeFolders(m_tmp / "ByCapture");
    test::MakeFolders(m_tmp / "ByFile");
    const std::string mask = "*.jpg;*.heic;*.mp4;*.avi";
    const Result byCapture = RunSort(
        m_tmp, {"-q", "--date-from", "capture", "-m", mask, "-t", m_tmp / "ByCapture", card});
    const Result byFile = RunSort(m_tmp, {"-q", "-m", mask, "-t", m_tmp / "ByFile", card});
    EXPECT_EQ(byCapture.ExitCode, 0) << byCapture.Err;
    EXPECT_EQ(byFile.ExitCode, 0) << byFile.Err;
    for (const auto& file : files) {
        EXPECT_EQ(test::ReadFile(m_tmp / "ByCapture/" + file.TakenOn + "/" + file.Name), file.Bytes)
            << file.Name;
        EXPECT_TRUE(test::Exists(m_tmp / "ByFile/2021-08-01/" + file.Name)) << file.Name;
    }
    EXPECT_EQ(test::ListFolder(m_tmp / "ByCapture"),
              (std::vector<std::string>{"2010-07-04", "2021-07-03", "2021-07-04", "2021-08-01"}));
}

// The dry run prints what the run after it does, with its own last line,
// and touches nothing; the other two options are taken as written.
TEST_F(QuenbySortTest, ADryRunForetellsTheRunAndTheCarefulOptionsAreTaken) {
    test::WriteFile(m_tmp / "Card2/DCIM/a.jpg", "other a");
    test::SetLocalMtime(m_tmp / "Card2/DCIM/a.jpg", 2014, 5, 3, 15, 0);
    const std::vector<std::string> careful = {"--verify",     "--on-clash",   "keep-both",
                                              "--delete",     "-t",           m_tmp / "Photos",
                                              m_tmp / "Card", m_tmp / "Card2"};
    std::vector<std::string> dry = {"-n"};
    dry.insert(dry.end(), careful.begin(), careful.end());
    const Result foretold = RunSort(m_tmp, dry);
    EXPECT_EQ(foretold.ExitCode, 0) << foretold.Err;
    EXPECT_TRUE(test::ListFolder(m_tmp / "Photos").empty());
    EXPECT_TRUE(test::Exists(m_tmp / "Card2/DCIM/a.jpg"));

    const Result done = RunSort(m_tmp, careful);
    EXPECT_EQ(done.ExitCode, 0) << done.Err;
    const std::string lines = done.Out.substr(0, done.Out.find("3 of 3 files copied\n"));
    EXPECT_EQ(foretold.Out, lines + "3 of 3 files would be copied\n");
    EXPECT_NE(lines.find(" to " + (m_tmp / "Photos/2014-05-03/a-2.jpg") + "\n"), std::string::npos)
        << done.Out;
    EXPECT_TRUE(test::ListFolder(m_tmp / "Card2/DCIM").empty());

    const Result refused =
        RunSort(m_tmp, {"--on-clash", "replace", "-t", m_tmp / "Photos", m_tmp / "Card"});
    EXPECT_EQ(refused.ExitCode, 2);
}

TEST_F(QuenbySortTest, ADifferentPhotoUnderItsNameIsNamedAndFailsTheRun) {
    // What stands under a.jpg's name, last written on 3 May 2014 at `Hour`;
    // the card's a.jpg holds "a", written at 14:00.
    const struct {
        const char* Name;
        const char* There;
        int Hour;
        bool Different;
    } rows[] = {
        {"ItsOwnCopy", "a", 14, false},
        {"TheSameBytesAtAnotherTime", "a", 9, false},
        {"OtherBytesOfTheSameSize", "x", 9, true},
        {"AnotherSize", "xy", 14, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        const TempFolder tmp;
        test::WriteFile(tmp / "Card/a.jpg", "a");
        test::SetLocalMtime(tmp / "Card/a.jpg", 2014, 5, 3, 14, 0);
        test::WriteFile(tmp / "Photos/2014-05-03/a.jpg", row.There);
        test::SetLocalMtime(tmp / "Photos/2014-05-03/a.jpg", 2014, 5, 3, row.Hour, 0);
        const Result result = RunSort(tmp, {"-q", "-t", tmp / "Photos", tmp / "Card"});
        EXPECT_EQ(result.ExitCode, row.Different ? 1 : 0);
        EXPECT_EQ(result.Out, "File " + (tmp / "Photos/2014-05-03/a.jpg") + " exists\n" +
                                  "0 of 1 files copied\n");
        EXPECT_EQ(result.Err, row.Different ? "quenby-sort: not copied " + (tmp / "Card/a.jpg") +
                                                  ": a different file has its name in the target; "
                                                  "--on-clash keep-both keeps both\n"
                                            : "");
    }
    // Renamed, the photos of one day share one name.
    for (const char* name : {"b1.jpg", "b2.jpg", "b3.jpg"}) {
        test::WriteFile(m_tmp / ("Day/" + std::string(name)), name);
        test::SetLocalMtime(m_tmp / ("Day/" + std::string(name)), 2014, 5, 6, 9, 0);
    }
    const Result renamed =
        RunSort(m_tmp, {"-q", "--rename", "--prefix", "P_", "-t", m_tmp / "Photos", m_tmp / "Day"});
    EXPECT_EQ(renamed.ExitCode, 1);
    EXPECT_NE(renamed.Out.find("1 of 3 files copied\n"), std::string::npos) << renamed.Out;
    EXPECT_EQ(std::count(renamed.Err.begin(), renamed.Err.end(), '\n'), 2) << renamed.Err;
}

#ifndef _WIN32
// A shell that allows few open files (ulimit -n 64) still gets every photo
// of 150 days into its day folder.
TEST_F(QuenbySortTest, FewOpenFilesAllowedStillFileEveryDay) {
    for (int i = 0; i < 150; ++i) {
        const std::string photo = m_tmp / ("Many/p" + std::to_string(i) + ".jpg");
        test::WriteFile(photo, std::to_string(i));
        test::SetLocalMtime(photo, 2014, 1 + i / 28, 1 + i % 28, 12, 0);
    }
    const std::string command = "ulimit -n 64 && exec " + Quote(QUENBY_SORT_EXECUTABLE) +
                                " -q --delete -t " + Quote(m_tmp / "Photos") + " " +
                                Quote(m_tmp / "Many") + " >" + Quote(m_tmp / "out.txt") + " 2>" +
                                Quote(m_tmp / "err.txt");
    const int status = std::system(("sh -c " + Quote(command)).c_str());
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 0) << test::ReadFile(m_tmp / "err.txt");
    EXPECT_NE(test::ReadFile(m_tmp / "out.txt").find("150 of 150 files copied\n"),
              std::string::npos);
    EXPECT_EQ(test::ListFolder(m_tmp / "Photos").size(), 150U);
    EXPECT_TRUE(test::ListFolder(m_tmp / "Many").empty());
}
#endif

TEST_F(QuenbySortTest, UsageErrorsTouchNothing) {
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{m_tmp / "Card"},
          {"-t", m_tmp / "Photos", "-l", "7", m_tmp / "Card"},
          {"-t", m_tmp / "Photos", "-s", ":", "--delete", m_tmp / "Card"},
          {"-t", m_tmp / "Photos", "--frobnicate", m_tmp / "Card"},
          // An empty target must not make the next argument the target.
          {"--target=", m_tmp / "Photos", m_tmp / "Card", "--delete"},
          {"-t", m_tmp / "Photos", m_tmp / "Card", m_tmp / "NoCard", "--delete"},
          {"-t", m_tmp / "NoPhotos", m_tmp / "Card"},
          {"-t", m_tmp / "Photos", "--rename", "--prefix", "../x_", "--delete", m_tmp / "Card"}}) {
        const Result result = RunSort(m_tmp, arguments);
        EXPECT_EQ(result.ExitCode, 2);
        EXPECT_EQ(result.Out, "");
        EXPECT_EQ(std::count(result.Err.begin(), result.Err.end(), '\n'), 1) << result.Err;
    }
    EXPECT_TRUE(test::ListFolder(m_tmp / "Photos").empty());
    EXPECT_TRUE(test::Exists(m_tmp / "Card/DCIM/a.jpg"));
    EXPECT_TRUE(test::Exists(m_tmp / "Card/b.AVI"));
}

#ifndef _WIN32
// Standard output closed or full: nothing is deleted without its line.
TEST_F(QuenbySortTest, AMessageLogThatCannotBeWrittenStopsTheRun) {
    for (const char* output : {">&-", ">/dev/full"}) {
        const Result result =
            RunSort(m_tmp, {"-t", m_tmp / "Photos", "--delete", m_tmp / "Card"}, output);
        EXPECT_EQ(result.ExitCode, 1) << output;
        EXPECT_TRUE(test::Exists(m_tmp / "Card/DCIM/a.jpg")) << output;
        EXPECT_TRUE(test::Exists(m_tmp / "Card/b.AVI")) << output;
        EXPECT_NE(result.Err.find("quenby-sort: "), std::string::npos) << output;
    }
}

// Interrupted while it deletes, the run ends after the file it is at, with
// a line for every copy and every deletion, and tells which signal ended it.
TEST_F(QuenbySortTest, ASignalStopsTheRunAfterAFileWithEveryLineWritten) {
    constexpr int kFiles = 1000;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        const TempFolder tmp;
        for (int i = 0; i < kFiles; ++i) {
            test::WriteFile(tmp / ("Card/" + std::to_string(i) + ".jpg"), std::to_string(i));
        }
        test::MakeFolders(tmp / "Photos");
        const int pid = test::StartProgram(
            {QUENBY_SORT_EXECUTABLE, "-q", "--delete", "-t", tmp / "Photos", tmp / "Card"},
            tmp / "out.txt", tmp / "err.txt");
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (test::ReadFile(tmp / "out.txt").find("was deleted") == std::string::npos &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ASSERT_EQ(::kill(pid, signal), 0);
        EXPECT_EQ(test::WaitForProgram(pid), 128 + signal);
        const std::string out = test::ReadFile(tmp / "out.txt");
        EXPECT_TRUE(out.ends_with(" files copied\n")) << out;
        const std::vector<std::string> days = test::ListFolder(tmp / "Photos");
        ASSERT_EQ(days.size(), 1U);
        int deleted = 0;
        for (int i = 0; i < kFiles; ++i) {
            const std::string name = std::to_string(i) + ".jpg";
            const std::string source = tmp / ("Card/" + name);
            const bool line = out.find("File " + source + " was deleted") != std::string::npos;
            const bool gone = !test::Exists(source);
            EXPECT_EQ(line, gone) << source;
            if (gone) {
                ++deleted;
                EXPECT_EQ(test::ReadFile(tmp / ("Photos/" + days[0] + "/" + name)),
                          std::to_string(i));
            }
        }
        EXPECT_GT(deleted, 0);
        EXPECT_LT(deleted, kFiles) << "the run ended before the signal came";
    }
}

TEST_F(QuenbySortTest, AFolderThatCannotBeReadIsNamedAndFailsTheRun) {
    // Folders nested past the longest path the system opens; the shell makes
    // them, and rm removes them, one level at a time.
    const std::string level(200, 'd');
    const std::string nest = "cd " + Quote(m_tmp / "Card") + " && for i in $(seq 25); do mkdir " +
                             level + " && cd -P " + level + " || exit 1; done";
    ASSERT_EQ(std::system(nest.c_str()), 0);
    const Result result = RunSort(m_tmp, {"-t", m_tmp / "Photos", m_tmp / "Card"});
    std::system(("rm -rf " + Quote(m_tmp / "Card")).c_str());
    EXPECT_EQ(result.ExitCode, 1);
    EXPECT_NE(result.Out.find("2 of 2 files copied\n"), std::string::npos) << result.Out;
    EXPECT_EQ(std::count(result.Err.begin(), result.Err.end(), '\n'), 1) << result.Err;
    EXPECT_EQ(result.Err.rfind("quenby-sort: cannot read the folder " + (m_tmp / "Card/"), 0), 0U)
        << result.Err;
    EXPECT_NE(result.Err.find(": File name too long\n"), std::string::npos) << result.Err;
}
#endif

}  // namespace
}  // namespace quenby
