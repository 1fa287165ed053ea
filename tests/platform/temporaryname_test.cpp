#include "platform/temporaryname.h"

#include <gtest/gtest.h>

#include <set>

namespace quenby::platform {
namespace {

TEST(TemporaryNameTest, FreshHiddenNamesThatKnowTheirFinalName) {
    std::set<std::string> seen;
    for (const char* finalName : {"IMG_0001.JPG", "img_0001.jpg", "", "ü \xff.avi"}) {
        const std::string name = TemporaryName(finalName);
        EXPECT_TRUE(seen.insert(name).second) << name;
        EXPECT_EQ(name.rfind(".quenby-", 0), 0U) << name;
        EXPECT_TRUE(IsTemporaryName(name)) << name;
        EXPECT_TRUE(TemporaryNameFor(name, finalName)) << name;
        // Letter case counts: the claim is made under exactly this name.
        EXPECT_FALSE(TemporaryNameFor(name, std::string(finalName) + "x")) << name;
        EXPECT_NE(TemporaryName(finalName), name);
    }
    EXPECT_FALSE(TemporaryNameFor(TemporaryName("IMG_0001.JPG"), "img_0001.jpg"));
    for (const char* other : {".quenby-.tmp", ".quenby-0123456789ab.tmp", "IMG_0001.JPG",
                              ".quenby-0123456789ab-0123456789abcdeg.tmp"}) {
        EXPECT_FALSE(IsTemporaryName(other)) << other;
    }
}

}  // namespace
}  // namespace quenby::platform
