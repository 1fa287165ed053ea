#include "platform/files/temporaryname.h"

#include <gtest/gtest.h>

#include <set>

namespace quenby::platform {
namespace {

TEST(TemporaryNameTest, FreshHiddenNamesThatKnowTheirFinalName) {
    std::set<std::string> seen;
    for (const char* finalName : {"IMG_0001.JPG", "img_0001.jpg", "", "ü \xff.avi"}) {
        const std::string name = TemporaryName(finalName);
        EXPECT_TRUE(seen.insert(name).second) << name;
        EXPECT_EQ(name.size(), 13U) << name;
        EXPECT_TRUE(IsTemporaryName(name)) << name;
        EXPECT_TRUE(TemporaryNameFor(name, finalName)) << name;
        // Letter case counts: the claim is made under exactly this name.
        EXPECT_FALSE(TemporaryNameFor(name, std::string(finalName) + "x")) << name;
        EXPECT_NE(TemporaryName(finalName), name);
        EXPECT_EQ(name.find_first_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ"), std::string::npos) << name;
    }
    EXPECT_FALSE(TemporaryNameFor(TemporaryName("IMG_0001.JPG"), "img_0001.jpg"));
    for (const char* other : {".q.tmp", ".q012345.tmp", "IMG_0001.JPG", ".q01234567.tmp",
                              ".Q0123456.tmp", ".q012345+.tmp"}) {
        EXPECT_FALSE(IsTemporaryName(other)) << other;
    }
}

}  // namespace
}  // namespace quenby::platform
