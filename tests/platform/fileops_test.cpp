#include "platform/files/fileops.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <thread>

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

TEST(CopyFileNoReplaceTest, CopiesContentsPermissionsAndTime) {
    TempFolder tmp;
    const std::string contents = RandomBytes(3 * 1024 * 1024 + 17);
    test::WriteFile(tmp / "src/a.jpg", contents);
    ASSERT_EQ(::chmod((tmp / "src/a.jpg").c_str(), 0640), 0);
    test::SetMtime(tmp / "src/a.jpg", 1399125600);
    test::MakeFolders(tmp / "dst");

    for (const bool flush : {false, true}) {
        const std::string target = tmp / (flush ? "dst/flushed.jpg" : "dst/a.jpg");
        ASSERT_TRUE(CopyFileNoReplace(tmp / "src/a.jpg", target, flush));
        EXPECT_EQ(test::ReadFile(target), contents);
        struct stat info {};
        ASSERT_EQ(::stat(target.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, 0640U);
        EXPECT_EQ(info.st_mtim.tv_sec, 1399125600);
    }
    // No temporary file stays behind.
    EXPECT_EQ(test::ListFolder(tmp / "dst"), (std::vector<std::string>{"a.jpg", "flushed.jpg"}));
}

TEST(CopyFileNoReplaceTest, ReadOnlySourceGivesReadOnlyCopy) {
    TempFolder tmp;
    test::WriteFile(tmp / "a.jpg", "photo");
    ASSERT_EQ(::chmod((tmp / "a.jpg").c_str(), 0444), 0);
    test::MakeFolders(tmp / "dst");
    ASSERT_TRUE(CopyFileNoReplace(tmp / "a.jpg", tmp / "dst/a.jpg", false));
    struct stat info {};
    ASSERT_EQ(::stat((tmp / "dst/a.jpg").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0444U);
    EXPECT_EQ(test::ReadFile(tmp / "dst/a.jpg"), "photo");
}

TEST(CopyFileNoReplaceTest, NeverReplacesAnythingUnderTheTargetName) {
    TempFolder tmp;
    test::WriteFile(tmp / "a.jpg", "new");
    test::WriteFile(tmp / "dst/file.jpg", "old");
    test::MakeFolders(tmp / "dst/folder.jpg");
    ASSERT_EQ(::symlink("nowhere", (tmp / "dst/dangling.jpg").c_str()), 0);
    const auto before = test::ListFolder(tmp / "dst");

    EXPECT_FALSE(CopyFileNoReplace(tmp / "a.jpg", tmp / "dst/file.jpg", false));
    EXPECT_FALSE(CopyFileNoReplace(tmp / "a.jpg", tmp / "dst/folder.jpg", false));
    EXPECT_FALSE(CopyFileNoReplace(tmp / "a.jpg", tmp / "dst/dangling.jpg", true));

    EXPECT_EQ(test::ReadFile(tmp / "dst/file.jpg"), "old");
    char link[64] = {};
    EXPECT_EQ(::readlink((tmp / "dst/dangling.jpg").c_str(), link, sizeof link - 1), 7);
    EXPECT_EQ(test::ListFolder(tmp / "dst"), before);
    EXPECT_TRUE(test::ListFolder(tmp / "dst/folder.jpg").empty());
}

TEST(CopyFileNoReplaceTest, RefusesWhatIsNoRegularFileWithoutWaiting) {
    TempFolder tmp;
    test::MakeFolders(tmp / "dst");
    test::MakeFolders(tmp / "folder.jpg");
    ASSERT_EQ(::mkfifo((tmp / "pipe.jpg").c_str(), 0644), 0);

    // A pipe named like a photo would block a plain copy for ever.
    EXPECT_FALSE(CopyFileNoReplace(tmp / "pipe.jpg", tmp / "dst/pipe.jpg", false));
    EXPECT_FALSE(CopyFileNoReplace(tmp / "folder.jpg", tmp / "dst/folder.jpg", false));
    EXPECT_FALSE(CopyFileNoReplace(tmp / "missing.jpg", tmp / "dst/missing.jpg", false));
    EXPECT_FALSE(CopyFileNoReplace(tmp / "pipe.jpg", tmp / "no-such-folder/x.jpg", false));
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
    const int result = test::RunInChild([&] {
        ::signal(SIGXFSZ, SIG_IGN);
        const struct rlimit limit = {64 * 1024, 64 * 1024};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) {
            return 3;
        }
        return CopyFileNoReplace(source, target, true) ? 1 : 0;
    });
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(test::ListFolder(tmp / "dst").empty());
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
            ::_exit(CopyFileNoReplace(source, target, false) ? 0 : 1);
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
            EXPECT_EQ(name.rfind(".quenby-", 0), 0U) << name;
            ::unlink((tmp / ("dst/" + name)).c_str());
        }
    }
}

TEST(DeleteFileUnlessReadOnlyTest, KeepsWriteProtectedFilesEvenForRoot) {
    TempFolder tmp;
    test::WriteFile(tmp / "protected.jpg", "x");
    test::WriteFile(tmp / "group-writable.jpg", "x");
    test::WriteFile(tmp / "normal.jpg", "x");
    ASSERT_EQ(::chmod((tmp / "protected.jpg").c_str(), 0444), 0);
    ASSERT_EQ(::chmod((tmp / "group-writable.jpg").c_str(), 0464), 0);

    EXPECT_FALSE(DeleteFileUnlessReadOnly(tmp / "protected.jpg"));
    EXPECT_TRUE(test::Exists(tmp / "protected.jpg"));
    EXPECT_TRUE(DeleteFileUnlessReadOnly(tmp / "group-writable.jpg"));
    EXPECT_TRUE(DeleteFileUnlessReadOnly(tmp / "normal.jpg"));
    EXPECT_FALSE(DeleteFileUnlessReadOnly(tmp / "normal.jpg"));
    EXPECT_FALSE(DeleteFileUnlessReadOnly(""));
    EXPECT_EQ(test::ListFolder(tmp.Path()), (std::vector<std::string>{"protected.jpg"}));
}

TEST(FolderAndFileTests, CreateOneLevelAndTellFilesFromFolders) {
    TempFolder tmp;
    EXPECT_TRUE(CreateFolder(tmp / "day"));
    EXPECT_FALSE(CreateFolder(tmp / "day"));
    EXPECT_FALSE(CreateFolder(tmp / "missing/day"));
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
    EXPECT_FALSE(FlushFolder(tmp / "none"));
}

}  // namespace
}  // namespace quenby::platform
