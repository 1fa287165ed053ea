#include <gtest/gtest.h>

#include "quenby_version.h"
#include "system/installer.h"

namespace quenby {
namespace {

TEST(ExecutableVersionTest, QuenbySortCarriesTheProjectVersion) {
    std::string text;
    double number = 0;
    ASSERT_TRUE(GetVersionString(text, QUENBY_SORT_EXECUTABLE));
    ASSERT_TRUE(GetVersionNumber(number, QUENBY_SORT_EXECUTABLE));
    EXPECT_EQ(text, std::to_string(QUENBY_VERSION_MAJOR) + "." +
                        std::to_string(QUENBY_VERSION_MINOR) + "." +
                        std::to_string(QUENBY_VERSION_RELEASE) +
                        " Build: " + std::to_string(QUENBY_VERSION_BUILD));
    EXPECT_EQ(number, QUENBY_VERSION_MAJOR + QUENBY_VERSION_MINOR / 100.0);
}

}  // namespace
}  // namespace quenby
