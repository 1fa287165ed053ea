// The version resource as the system's own functions read it, from small
// executables built with different resources.
#include <gtest/gtest.h>

#include <string>

#include "platform/process/executable.h"
#include "platform/process/versioninfo.h"
#include "system/installer.h"

namespace quenby {
namespace {

// The probes are built beside this test executable.
std::string Probe(const std::string& name) {
    const std::string self = platform::ExecutablePath();
    return self.substr(0, self.rfind('\\') + 1) + "quenby_version_probe_" + name + ".exe";
}

TEST(WindowsVersionTest, TextAndNumberFromTheVersionResource) {
    const struct {
        const char* probe;
        const char* text;
        double number;
    } cases[] = {
        {"1_1_5340_56536", "1.1.5340 Build: 56536", 1.01},
        {"1_10_0_7", "1.10.0 Build: 7", 1.1},
        {"3_0_0_0", "3.0.0 Build: 0", 3.0},
        {"1_100_0_0", "1.100.0 Build: 0", 2.0},
        {"2_0_0_0", "2.0.0 Build: 0", 2.0},
    };
    for (const auto& c : cases) {
        std::string text;
        double number = 0;
        EXPECT_TRUE(GetVersionString(text, Probe(c.probe))) << c.probe;
        EXPECT_TRUE(GetVersionNumber(number, Probe(c.probe))) << c.probe;
        EXPECT_EQ(text, c.text);
        EXPECT_EQ(number, c.number) << c.probe;
    }
}

TEST(WindowsVersionTest, NoResourceLeavesTheCallersValues) {
    for (const std::string& path : {Probe("none"), Probe("missing"), std::string()}) {
        std::string text = "unchanged";
        double number = 4.5;
        EXPECT_FALSE(GetVersionString(text, path)) << path;
        EXPECT_FALSE(GetVersionNumber(number, path)) << path;
        EXPECT_EQ(text, "unchanged");
        EXPECT_EQ(number, 4.5);
    }
}

TEST(WindowsVersionTest, AResourceWithoutItsRecordGivesTheDefaults) {
    platform::FileVersionWords words;
    ASSERT_EQ(platform::ReadFileVersion(Probe("rootless"), words),
              platform::VersionInfoStatus::RecordUnreadable);
    std::string text;
    double number = 0;
    EXPECT_TRUE(GetVersionString(text, Probe("rootless")));
    EXPECT_TRUE(GetVersionNumber(number, Probe("rootless")));
    EXPECT_EQ(text, "1.0.0 Build: 0");
    EXPECT_EQ(number, 1.0);
}

}  // namespace
}  // namespace quenby
