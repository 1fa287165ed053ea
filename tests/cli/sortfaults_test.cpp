// Faults that real files cannot make on demand, injected into quenby-sort
// by strace: failed flushes, a folder flush the file system does not offer,
// a full disk, a source replaced or grown while its copy runs. Each row
// keeps the promise: every source exists unchanged, or its whole copy does
// and the output says so; stderr says why a source was kept.
#include <gtest/gtest.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <ostream>
#include <thread>

#include "tests/support/runprogram.h"
#include "tests/support/tempfolder.h"

namespace quenby {
namespace {

using test::TempFolder;

// The process strace started, once it runs.
pid_t TraceeOf(pid_t tracer) {
    const std::string path =
        "/proc/" + std::to_string(tracer) + "/task/" + std::to_string(tracer) + "/children";
    pid_t child = 0;
    std::ifstream(path) >> child;
    return child;
}

// True while the process is held at the entry of that system call.
bool HeldIn(pid_t pid, long call) {
    std::ifstream state("/proc/" + std::to_string(pid) + "/syscall");
    long current = -1;
    return state >> current && current == call;
}

struct Fault {
    const char* Name;
    const char* Inject;       // strace's inject expression
    bool DayFolderExists;     // else the run creates it and flushes the root
    const char* DuringFlush;  // "replace" or "append" the source while its copy waits
    bool CopyStands;          // else "could not copied" and no copy
    const char* Reason;       // stderr, $S source, $T target, $R root, $D day folder
};

const Fault kFaults[] = {
    {"RootFlushAfterNewDayFolder", "fsync:error=EIO:when=1", false, "", true,
     "kept $S: its copy $T is not known to be on the disk: flushing $R/ failed: Input/output "
     "error"},
    {"FlushOfTheCopy", "fsync:error=EIO:when=2", false, "", false,
     "cannot copy $S to $T: Input/output error"},
    {"FlushOfTheDayFolderAfterNaming", "fsync:error=EIO:when=3", false, "", true,
     "kept $S: its copy $T is not known to be on the disk: flushing $D failed: Input/output "
     "error"},
    // FUSE and network file systems that cannot flush one folder: the
    // whole file system is flushed instead, and the source may go.
    {"FolderFlushNotOffered", "fsync:error=EINVAL:when=3", false, "", true, ""},
    {"DiskFull", "copy_file_range:error=ENOSPC", true, "", false,
     "cannot copy $S to $T: No space left on device"},
    {"SourceReplacedDuringItsCopy", "fsync:delay_enter=1500000:when=1", true, "replace", true,
     "kept $S: it was replaced or changed while it was being copied"},
    {"SourceGrownDuringItsCopy", "fsync:delay_enter=1500000:when=1", true, "append", true,
     "kept $S: it was replaced or changed while it was being copied"},
};

void PrintTo(const Fault& row, std::ostream* out) {
    *out << row.Name;
}

std::string Fill(std::string text, const std::map<std::string, std::string>& values) {
    for (const auto& [key, value] : values) {
        for (std::size_t at = text.find(key); at != std::string::npos;
             at = text.find(key, at + value.size())) {
            text.replace(at, key.size(), value);
        }
    }
    return text;
}

class SortFaultTest : public ::testing::TestWithParam<Fault> {
protected:
    void SetUp() override {
        if (!test::OnPath("strace") ||
            test::RunProgram({"strace", "-o", "/dev/null", "true"}, m_tmp.Path()).ExitCode != 0) {
            GTEST_SKIP() << "strace is missing or may not trace here";
        }
    }
    TempFolder m_tmp;
};

TEST_P(SortFaultTest, EverySourceStaysOrHasItsWholeCopy) {
    const Fault& fault = GetParam();
    const std::string original(3 * 1024 * 1024, 'o');
    const std::string source = m_tmp / "Card/a.jpg";
    test::WriteFile(source, original);
    test::SetLocalMtime(source, 2014, 5, 3, 14, 0);
    const std::string root = m_tmp / "Photos";
    const std::string day = root + "/2014-05-03";
    const std::string target = day + "/a.jpg";
    test::MakeFolders(fault.DayFolderExists ? day : root);

    test::Program run(
        {"strace", "-f", "-qq", "-o", "/dev/null",
         // The leak checker cannot work under a tracer.
         "-E", "ASAN_OPTIONS=detect_leaks=0", "-e", std::string("inject=") + fault.Inject,
         QUENBY_SORT_EXECUTABLE, "-q", "--delete", "-t", root, m_tmp / "Card"},
        m_tmp / "out.txt", m_tmp / "err.txt");
    std::string expectedSource = original;
    if (*fault.DuringFlush != '\0') {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        pid_t sort = 0;
        while (std::chrono::steady_clock::now() < deadline &&
               ((sort = TraceeOf(run.Pid())) == 0 || !HeldIn(sort, SYS_fsync))) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        ASSERT_TRUE(sort != 0 && HeldIn(sort, SYS_fsync)) << "the copy never reached its flush";
        if (std::string(fault.DuringFlush) == "replace") {
            expectedSource = std::string(original.size(), 'n');
            test::WriteFile(m_tmp / "new.jpg", expectedSource);
            ASSERT_EQ(std::rename((m_tmp / "new.jpg").c_str(), source.c_str()), 0);
        } else {
            expectedSource = original + "more";
            std::ofstream(source, std::ios::app) << "more";
        }
    }
    const int exitCode = run.Wait();
    const std::string out = test::ReadFile(m_tmp / "out.txt");
    const std::string err = test::ReadFile(m_tmp / "err.txt");

    const bool kept = *fault.Reason != '\0';
    EXPECT_EQ(exitCode, kept ? 1 : 0) << err;
    if (kept) {
        EXPECT_EQ(test::ReadFile(source), expectedSource);
        EXPECT_EQ(err, "quenby-sort: " +
                           Fill(fault.Reason,
                                {{"$S", source}, {"$T", target}, {"$R", root}, {"$D", day}}) +
                           "\n");
    } else {
        EXPECT_FALSE(test::Exists(source));
        EXPECT_EQ(err, "");
    }
    const std::string copied = "Copied file " + source + " to " + target;
    if (fault.CopyStands) {
        EXPECT_NE(out.find(copied), std::string::npos) << out;
        EXPECT_TRUE(test::ReadFile(target) == original);
        EXPECT_EQ(test::ListFolder(day), std::vector<std::string>{"a.jpg"});
    } else {
        EXPECT_NE(out.find("File " + source + " could not copied to " + target), std::string::npos)
            << out;
        EXPECT_TRUE(test::ListFolder(day).empty());
    }
    EXPECT_EQ(out.find("was deleted") == std::string::npos, kept) << out;
}

INSTANTIATE_TEST_SUITE_P(Faults, SortFaultTest, ::testing::ValuesIn(kFaults),
                         [](const ::testing::TestParamInfo<Fault>& info) {
                             return std::string(info.param.Name);
                         });

}  // namespace
}  // namespace quenby
