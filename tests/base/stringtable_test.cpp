#include "base/stringtable.h"

#include <gtest/gtest.h>

namespace quenby {
namespace {

TEST(StringTableTest, HoldsTheProgramsTextsUnderTheirIds) {
    EXPECT_EQ(LoadStr(64806), "Marked Text was copied into the Clipboard");
    EXPECT_EQ(LoadStr(64807), "No Folder marked!\rSelect an Entry from the list");
    EXPECT_EQ(LoadStr(64808), "Charakter \"%s\" cannot be used as an Separator!");
    EXPECT_EQ(LoadStr(64809), "Folder %s was created");
    EXPECT_EQ(LoadStr(64810), "Copied file %s to %s");
    EXPECT_EQ(LoadStr(64811), "%d of %d files copied");
    EXPECT_EQ(LoadStr(64812), "File %s exists");
    EXPECT_EQ(LoadStr(64813), "File %s could not copied to %s");
    EXPECT_EQ(LoadStr(64814), "File %s was deleted from the Source Media");
    EXPECT_EQ(LoadStr(64805), "");
    EXPECT_EQ(LoadStr(64815), "");
}

TEST(StringTableTest, FormatTakesArgumentsVerbatim) {
    EXPECT_EQ(FormatText(LoadStr(kStrCopiedFile), {"/a/100%d.jpg", "/b/%s.jpg"}),
              "Copied file /a/100%d.jpg to /b/%s.jpg");
    EXPECT_EQ(FormatText(LoadStr(kStrFilesCopied), {std::int64_t{3}, std::int64_t{4000000000}}),
              "3 of 4000000000 files copied");
    EXPECT_EQ(FormatText(LoadStr(kStrBadSeparator), {""}),
              "Charakter \"\" cannot be used as an Separator!");
    EXPECT_EQ(FormatText("%d%%", {std::int64_t{-5}}), "-5%");
    EXPECT_EQ(FormatText("%s and %s", {"one"}), "one and %s");
}

}  // namespace
}  // namespace quenby
