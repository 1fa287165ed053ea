#include "platform/files/fileops.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <random>
#include <thread>

#include "platform/files/copytesthooks.h"
#include "platform/files/fileops_posix.h"
#include "platform/files/temporaryname.h"
#include "tests/support/childprocess.h"
#include "tests/support/tempfolder.h"

namespace quenby::platform {
namespace {

using test::TempFolder;

std::string RandomBytes(std::size_t size) {
    std::mt19937 generator(42);
    std::string bytes(size, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(generator());
    }
    return bytes;
}

constexpr NamingMethod kMethods[] = {NamingMethod::UnnamedFile, NamingMethod::NoReplaceRename,
                                     NamingMethod::HardLink, NamingMethod::MarkedClaim};

FileIdentity IdentityOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return FileIdentity{info.st_dev, info.st_ino, info.st_size,
                        info.st_mtim.tv_sec * 1'000'000'000LL + info.st_mtim.tv_nsec,
                        info.st_ctim.tv_sec * 1'000'000'000LL + info.st_ctim.tv_nsec};
}

// Every way of naming a finished copy, forced in turn: each gives the same
// complete copy, never replaces, and leaves nothing else behind.
TEST(CopyFileNoReplaceTest, EveryNamingMethodCopiesWholeAndNeverReplaces) {
    TempFolder tmp;
    const std::string contents = RandomBytes(3 * 1024 * 1024 + 17);
    test::WriteFile(tmp / "src/a.jpg", contents);
    ASSERT_EQ(::chmod((tmp / "src/a.jpg").c_str(), 0640), 0);
    test::SetMtime(tmp / "src/a.jpg", 1399125600);
    test::WriteFile(tmp / "dst/file.jpg", "old");
    test::MakeFolders(tmp / "dst/folder.jpg");
    ASSERT_EQ(::symlink("nowhere", (tmp / "dst/dangling.jpg").c_str()), 0);
    const FileIdentity source = IdentityOf(tmp / "src/a.jpg");

    std::vector<std::string> expected = {"dangling.jpg", "file.jpg", "folder.jpg"};
    for (const NamingMethod method : kMethods) {
        for (const bool flush : {false, true}) {
            const std::string name =
                "m" + std::to_string(static_cast<int>(method)) + (flush ? "-flushed.jpg" : ".jpg");
            const CopyResult copied =
                CopyFileNoReplaceFrom(tmp / "src/a.jpg", tmp / ("dst/" + name), flush, method);
            ASSERT_EQ(copied.Outcome, CopyOutcome::Copied) << name << ": " << copied.Reason;
            EXPECT_EQ(copied.Source, source) << name;
            EXPECT_TRUE(test::ReadFile(tmp / ("dst/" + name)) == contents) << name;
            struct stat info {};
            ASSERT_EQ(::stat((tmp / ("dst/" + name)).c_str(), &info), 0);
            EXPECT_EQ(info.st_mode & 07777, 0640U) << name;
            EXPECT_EQ(info.st_mtim.tv_sec, 1399125600) << name;
            expected.push_back(name);
        }
        const std::string what = "method " + std::to_string(static_cast<int>(method));
        EXPECT_EQ(
            CopyFileNoReplaceFrom(tmp / "src/a.jpg", tmp / "dst/file.jpg", true, method).Outcome,
            CopyOutcome::Exists)
            << what;
        for (const char* taken : {"dst/folder.jpg", "dst/dangling.jpg"}) {
            const CopyResult refused =
                CopyFileNoReplaceFrom(tmp / "src/a.jpg", tmp / taken, false, method);
            EXPECT_EQ(refused.Outcome, CopyOutcome::Failed) << what << " " << taken;
            EXPECT_FALSE(refused.Reason.empty()) << what;
        }
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(test::ListFolder(tmp / "dst"), expected);
    EXPECT_EQ(test::ReadFile(tmp / "dst/file.jpg"), "old");
    EXPECT_TRUE(test::ListFolder(tmp / "dst/folder.jpg").empty());
}

// Verified, a copy is read back before it takes its name, whatever the
// naming method: one damaged on the disk never stands under it, and nothing
// of it is left.
TEST(CopyFileNoReplaceTest, AVerifiedCopyIsNamedOnlyWhenReadBackIntact) {
#ifndef QUENBY_TEST_HOOKS
    GTEST_SKIP() << "built without QUENBY_TEST_HOOKS, which damages a copy on the disk";
#else
    TempFolder tmp;
    const std::string contents = RandomBytes(1024 * 1024 + 5);
    test::WriteFile(tmp / "src/a.jpg", contents);
    test::MakeFolders(tmp / "dst");
    std::vector<std::string> expected;
    for (const NamingMethod method : kMethods) {
        for (const bool damaged : {false, true}) {
            const std::string name = "m" + std::to_string(static_cast<int>(method)) +
                                     (damaged ? "-damaged.jpg" : ".jpg");
            testhooks::DamageCopiesNamed(damaged ? name : "");
            const CopyResult copied = CopyFileNoReplaceFrom(
                tmp / "src/a.jpg", tmp / ("dst/" + name), CopyChecks{false, true}, method);
            if (damaged) {
                EXPECT_EQ(copied.Outcome, CopyOutcome::Failed) << name;
                EXPECT_EQ(copied.Reason.rfind("verification failed", 0), 0U) << copied.Reason;
            } else {
                ASSERT_EQ(copied.Outcome, CopyOutcome::Copied) << name << ": " << copied.Reason;
                EXPECT_TRUE(test::ReadFile(tmp / ("dst/" + name)) == contents) << name;
                expected.push_back(name);
            }
        }
    }
    testhooks::DamageCopiesNamed("");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(test::ListFolder(tmp / "dst"), expected);
#endif
}

TEST(CopyFileNoReplaceTest, ReadOnlySourceGivesReadOnlyCopy) {
    TempFolder tmp;
    test::WriteFile(tmp / "a.jpg", "photo");
    ASSERT_EQ(::chmod((tmp / "a.jpg").c_str(), 0444), 0);
    test::MakeFolders(tmp / "dst");
    ASSERT_EQ(CopyFileNoReplace(tmp / "a.jpg", tmp / "dst/a.jpg", false).Outcome,
              CopyOutcome::Copied);
    struct stat info {};
    ASSERT_EQ(::stat((tmp / "dst/a.jpg").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0444U);
    EXPECT_EQ(test::ReadFile(tmp / "dst/a.jpg"), "photo");
}

TEST(CopyFileNoReplaceTest, RefusesWhatIsNoRegularFileWithoutWaiting) {
    TempFolder tmp;
    test::MakeFolders(tmp / "dst");
    test::MakeFolders(tmp / "folder.jpg");
    ASSERT_EQ(::mkfifo((tmp / "pipe.jpg").c_str(), 0644), 0);

    // A pipe named like a photo would block a plain copy for ever.
    const std::pair<const char*, const char*> refused[] = {{"pipe.jpg", "dst/pipe.jpg"},
                                                           {"folder.jpg", "dst/folder.jpg"},
                                                           {"missing.jpg", "dst/missing.jpg"},
                                                           {"pipe.jpg", "no-such-folder/x.jpg"}};
    for (const auto& [source, target] : refused) {
        const CopyResult copied = CopyFileNoReplace(tmp / source, tmp / target, false);
        EXPECT_EQ(copied.Outcome, CopyOutcome::Failed) << target;
        EXPECT_FALSE(copied.Reason.empty()) << target;
    }
    EXPECT_TRUE(test::ListFolder(tmp / "dst").empty());
}

TEST(CopyFileNoReplaceTest, AWriteThatFailsPartWayLeavesNoFileBehind) {
    TempFolder tmp;
    const std::string contents = RandomBytes(1024 * 1024);
    test::WriteFile(tmp / "big.jpg", contents);
    test::MakeFolders(tmp / "dst");
    const std::string source = tmp / "big.jpg";
    const std::string target = tmp / "dst/big.jpg";

    // The file-size limit makes every write beyond 64 KiB fail, as a full
    // disk would.
    for (const NamingMethod method : kMethods) {
        const int result = test::RunInChild([&] {
            ::signal(SIGXFSZ, SIG_IGN);
            const struct rlimit limit = {64 * 1024, 64 * 1024};
            if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) {
                return 3;
            }
            const CopyResult copied = CopyFileNoReplaceFrom(source, target, true, method);
            return copied.Outcome == CopyOutcome::Failed && copied.Reason == "File too large" ? 0
                                                                                              : 1;
        });
        EXPECT_EQ(result, 0) << static_cast<int>(method);
        EXPECT_TRUE(test::ListFolder(tmp / "dst").empty());
    }
    EXPECT_EQ(test::ReadFile(source), contents);
}

TEST(CopyFileNoReplaceTest, AKilledCopyNeverLeavesAShortFileUnderTheFinalName) {
    TempFolder tmp;
    const std::string contents = RandomBytes(64 * 1024 * 1024);
    test::WriteFile(tmp / "video.avi", contents);
    test::MakeFolders(tmp / "dst");
    const std::string source = tmp / "video.avi";
    const std::string target = tmp / "dst/video.avi";

    for (const int delayMs : {0, 2, 10, 40}) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::_exit(CopyFileNoReplace(source, target, false).Outcome == CopyOutcome::Copied ? 0
                                                                                            : 1);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        // Either the copy is complete under its name, or the name is free;
        // a temporary file may be all that is left of a killed copy.
        if (test::Exists(target)) {
            EXPECT_EQ(test::ReadFile(target).size(), contents.size()) << "after " << delayMs;
            EXPECT_TRUE(test::ReadFile(target) == contents) << "after " << delayMs;
            ASSERT_EQ(::unlink(target.c_str()), 0);
        }
        for (const std::string& name : test::ListFolder(tmp / "dst")) {
            EXPECT_TRUE(IsTemporaryName(name)) << name;
            ::unlink((tmp / ("dst/" + name)).c_str());
        }
    }
}

// A source is deleted only while it is the very file that was copied, and
// never when it is write-protected (even for root).
TEST(DeleteSourceIfUnchangedTest, DeletesOnlyTheUnchangedWritableFile) {
    TempFolder tmp;
    struct Case {
        const char* Name;
        std::function<void(const std::string&)> Change;
        DeleteOutcome Expected;
    };
    const auto replaceWithSameSizeAndTime = [&](const std::string& path) {
        test::WriteFile(tmp / "new.jpg", "jpeg");
        test::SetMtime(tmp / "new.jpg", 1399125600);
        ASSERT_EQ(::rename((tmp / "new.jpg").c_str(), path.c_str()), 0);
    };
    const Case cases[] = {
        {"plain.jpg", [](const std::string&) {}, DeleteOutcome::Deleted},
        {"group-writable.jpg", [](const std::string& path) { ::chmod(path.c_str(), 0464); },
         DeleteOutcome::Changed},
        {"grown.jpg", [](const std::string& path) { test::WriteFile(path, "jpeg+more"); },
         DeleteOutcome::Changed},
        {"replaced.jpg", replaceWithSameSizeAndTime, DeleteOutcome::Changed},
        {"gone.jpg", [](const std::string& path) { ::unlink(path.c_str()); },
         DeleteOutcome::Failed},
    };
    for (const Case& c : cases) {
        const std::string path = tmp / c.Name;
        test::WriteFile(path, "jpeg");
        test::SetMtime(path, 1399125600);
        const FileIdentity copied = IdentityOf(path);
        c.Change(path);
        const DeleteResult deleted = DeleteSourceIfUnchanged(path, copied);
        EXPECT_EQ(deleted.Outcome, c.Expected) << c.Name;
        EXPECT_EQ(test::Exists(path),
                  c.Expected != DeleteOutcome::Deleted && c.Expected != DeleteOutcome::Failed)
            << c.Name;
        EXPECT_EQ(deleted.Reason.empty(), c.Expected != DeleteOutcome::Failed) << c.Name;
    }
    for (const mode_t mode : {0444, 0464}) {
        test::WriteFile(tmp / "protected.jpg", "x");
        ASSERT_EQ(::chmod((tmp / "protected.jpg").c_str(), mode), 0);
        const DeleteOutcome expected =
            mode == 0444 ? DeleteOutcome::ReadOnly : DeleteOutcome::Deleted;
        EXPECT_EQ(DeleteSourceIfUnchanged(tmp / "protected.jpg", IdentityOf(tmp / "protected.jpg"))
                      .Outcome,
                  expected);
    }
    EXPECT_EQ(DeleteSourceIfUnchanged("", FileIdentity{}).Outcome, DeleteOutcome::Failed);
}

// What a killed run leaves is removed by the next run, but never while a
// live run copies into the folder, and never a file that is not ours.
TEST(RemoveLeftoverCopiesTest, RemovesOnlyClaimsAndTemporaryFilesThatNoRunOwns) {
    TempFolder tmp;
    const std::string day = tmp / "day";
    const auto leftover = [&](const std::string& forName, const std::string& contents) {
        const std::string name = TemporaryName(forName);
        test::WriteFile(day + "/" + name, contents);
        return name;
    };
    // A claim whose copy never came, a finished copy whose temporary name
    // was not yet unlinked, a user's file that merely is empty.
    test::WriteFile(day + "/claimed.jpg", "");
    leftover("claimed.jpg", "half a photo");
    test::WriteFile(day + "/linked.jpg", "photo");
    ASSERT_EQ(
        ::link((day + "/linked.jpg").c_str(), (day + "/" + TemporaryName("linked.jpg")).c_str()),
        0);
    test::WriteFile(day + "/empty.jpg", "");
    test::WriteFile(day + "/complete.jpg", "photo");
    leftover("complete.jpg", "photo");
    leftover("never-claimed.jpg", "ph");

    {
        const int live = ::open(day.c_str(), O_RDONLY | O_DIRECTORY);
        ASSERT_GE(live, 0);
        ASSERT_EQ(::flock(live, LOCK_SH), 0);
        EXPECT_TRUE(RemoveLeftoverCopies(day).empty());
        ::close(live);
    }
    EXPECT_EQ(test::ListFolder(day).size(), 8U);
    EXPECT_EQ(RemoveLeftoverCopies(day).size(), 5U);
    EXPECT_EQ(test::ListFolder(day),
              (std::vector<std::string>{"complete.jpg", "empty.jpg", "linked.jpg"}));
    EXPECT_EQ(test::ReadFile(day + "/linked.jpg"), "photo");
    EXPECT_TRUE(RemoveLeftoverCopies(tmp / "missing").empty());
}

TEST(FolderAndFileTests, CreateOneLevelAndTellFilesFromFolders) {
    TempFolder tmp;
    EXPECT_TRUE(CreateFolder(tmp / "day"));
    EXPECT_EQ(CreateFolder(tmp / "day").Reason, "File exists");
    EXPECT_EQ(CreateFolder(tmp / "missing/day").Reason, "No such file or directory");
    EXPECT_FALSE(CreateFolder(""));

    test::WriteFile(tmp / "file.jpg", "x");
    ASSERT_EQ(::symlink("file.jpg", (tmp / "link.jpg").c_str()), 0);
    ASSERT_EQ(::symlink("none.jpg", (tmp / "dangling.jpg").c_str()), 0);
    EXPECT_TRUE(FileEntryExists(tmp / "file.jpg"));
    EXPECT_TRUE(FileEntryExists(tmp / "link.jpg"));
    EXPECT_FALSE(FileEntryExists(tmp / "day"));
    EXPECT_FALSE(FileEntryExists(tmp / "dangling.jpg"));
    EXPECT_FALSE(FileEntryExists(tmp / "none.jpg"));
    EXPECT_TRUE(FlushFolder(tmp / "day"));
    EXPECT_EQ(FlushFolder(tmp / "none").Reason, "No such file or directory");
}

}  // namespace
}  // namespace quenby::platform
