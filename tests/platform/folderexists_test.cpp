#include "platform/files/folderexists.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/support/childprocess.h"
#include "tests/support/tempfolder.h"

namespace quenby::platform {
namespace {

using test::TempFolder;

TEST(FolderExistsTest, AnswersForEveryKindOfPath) {
    TempFolder tmp;
    test::WriteFile(tmp / "file.jpg", "x");
    test::MakeFolders(tmp / "folder");
    ASSERT_EQ(::symlink((tmp / "folder").c_str(), (tmp / "link").c_str()), 0);
    ASSERT_EQ(::symlink((tmp / "gone").c_str(), (tmp / "dangling").c_str()), 0);

    EXPECT_TRUE(FolderExists(tmp.Path()));
    EXPECT_TRUE(FolderExists(tmp / "folder"));
    EXPECT_TRUE(FolderExists(tmp / "folder/"));
    EXPECT_TRUE(FolderExists(tmp / "link"));
    EXPECT_FALSE(FolderExists(""));
    EXPECT_FALSE(FolderExists(tmp / "file.jpg"));
    EXPECT_FALSE(FolderExists(tmp / "missing"));
    EXPECT_FALSE(FolderExists(tmp / "dangling"));
    EXPECT_FALSE(FolderExists(tmp / "file.jpg/below"));
    EXPECT_FALSE(FolderExists(tmp / std::string(5000, 'n')));
}

TEST(FolderExistsTest, AFolderThatCannotBeExaminedCountsAsThere) {
    // An unreadable medium must not look like a missing one.
    TempFolder tmp;
    ASSERT_EQ(::chmod(tmp.Path().c_str(), 0755), 0);
    test::MakeFolders(tmp / "locked/inner");
    ASSERT_EQ(::chmod((tmp / "locked").c_str(), 0700), 0);
    const std::string inner = tmp / "locked/inner";
    const int result = test::RunInChild([&] { return FolderExists(inner) ? 0 : 1; }, true);
    EXPECT_EQ(result, 0);
}

}  // namespace
}  // namespace quenby::platform
