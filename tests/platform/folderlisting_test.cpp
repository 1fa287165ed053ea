#include "platform/files/folderlisting.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cstdio>
#include <vector>

#include "tests/support/tempfolder.h"

namespace quenby::platform {
namespace {

using test::TempFolder;

std::vector<std::string> Names(const FolderListing& listing) {
    std::vector<std::string> names;
    for (std::size_t i = 0; i < listing.Size(); ++i) {
        names.push_back(listing.Name(i));
    }
    return names;
}

TEST(FolderListingTest, ListsEveryEntryInNameOrderIgnoringCase) {
    TempFolder tmp;
    for (const char* name : {"b.jpg", "A.jpg", ".hidden.jpg", "c.JPG", "a.avi"}) {
        test::WriteFile(tmp / name, "x");
    }
    test::MakeFolders(tmp / "B");
    auto listing = FolderListing::Read(tmp.Path());
    ASSERT_TRUE(listing.has_value());
    EXPECT_EQ(Names(*listing),
              (std::vector<std::string>{".hidden.jpg", "a.avi", "A.jpg", "B", "b.jpg", "c.JPG"}));
}

// Links and permission bits; Windows has tests of its own for attributes.
#ifndef _WIN32
TEST(FolderListingTest, TellsFoldersAndLinksToFoldersFromFiles) {
    TempFolder tmp;
    test::MakeFolders(tmp / "dir");
    test::WriteFile(tmp / "file", "x");
    ASSERT_EQ(::symlink("dir", (tmp / "dirlink").c_str()), 0);
    ASSERT_EQ(::symlink("file", (tmp / "filelink").c_str()), 0);
    ASSERT_EQ(::symlink("nothing", (tmp / "dangling").c_str()), 0);
    auto listing = FolderListing::Read(tmp.Path());
    ASSERT_TRUE(listing.has_value());
    for (std::size_t i = 0; i < listing->Size(); ++i) {
        const std::string& name = listing->Name(i);
        const bool folder = name == "dir" || name == "dirlink";
        EXPECT_EQ(listing->IsDirectory(i), folder) << name;
        EntryDetails details;
        ASSERT_TRUE(listing->Details(i, details)) << name;
        EXPECT_EQ((details.Attributes & kAttributeDirectory) != 0, folder) << name;
    }
}

TEST(FolderListingTest, DetailsCarryTheTimeAndTheReadOnlyBit) {
    TempFolder tmp;
    test::WriteFile(tmp / "ro.jpg", "x");
    test::WriteFile(tmp / "rw.jpg", "x");
    test::SetMtime(tmp / "ro.jpg", 1399125600);  // 2014-05-03 14:00 UTC
    ASSERT_EQ(::chmod((tmp / "ro.jpg").c_str(), 0444), 0);
    auto listing = FolderListing::Read(tmp.Path());
    ASSERT_TRUE(listing.has_value());
    ASSERT_EQ(listing->Size(), 2U);
    EntryDetails ro;
    EntryDetails rw;
    ASSERT_TRUE(listing->Details(0, ro));
    ASSERT_TRUE(listing->Details(1, rw));
    EXPECT_EQ(ro.LastWriteTime, (1399125600ULL + 11644473600ULL) * 10'000'000ULL);
    EXPECT_NE(ro.Attributes & kAttributeReadOnly, 0U);
    EXPECT_EQ(rw.Attributes & kAttributeReadOnly, 0U);
}

#endif

TEST(FolderListingTest, AnEntryThatVanishedHasNoDetails) {
    TempFolder tmp;
    test::WriteFile(tmp / "soon-gone.jpg", "x");
    auto listing = FolderListing::Read(tmp.Path());
    ASSERT_TRUE(listing.has_value());
    ASSERT_EQ(std::remove((tmp / "soon-gone.jpg").c_str()), 0);
    EntryDetails details;
    EXPECT_FALSE(listing->Details(0, details));
}

TEST(FolderListingTest, NothingToListGivesNoListing) {
    TempFolder tmp;
    test::WriteFile(tmp / "file.jpg", "x");
    EXPECT_FALSE(FolderListing::Read(tmp / "missing").has_value());
    EXPECT_FALSE(FolderListing::Read(tmp / "file.jpg").has_value());
    EXPECT_FALSE(FolderListing::Read("").has_value());
#ifndef _WIN32
    // Windows shortens "file.jpg\.." to the folder before it looks.
    auto empty = FolderListing::Read(tmp / "file.jpg/..");
    EXPECT_FALSE(empty.has_value());
#endif
}

#ifndef _WIN32
TEST(FolderListingTest, IdentityIsTheSameThroughALink) {
    TempFolder tmp;
    test::MakeFolders(tmp / "real");
    ASSERT_EQ(::symlink("real", (tmp / "alias").c_str()), 0);
    auto real = FolderListing::Read(tmp / "real");
    auto alias = FolderListing::Read(tmp / "alias");
    auto other = FolderListing::Read(tmp.Path());
    ASSERT_TRUE(real && alias && other);
    EXPECT_EQ(real->Identity(), alias->Identity());
    EXPECT_NE(real->Identity(), other->Identity());
}

#endif

}  // namespace
}  // namespace quenby::platform
