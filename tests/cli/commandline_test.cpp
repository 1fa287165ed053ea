#include "cli/commandline.h"

#include <gtest/gtest.h>

namespace quenby::cli {
namespace {

TEST(CommandLineTest, DefaultsMatchTheMainWindow) {
    const ParseOutcome outcome = ParseCommandLine({"-t", "/photos", "/card", "/card2"});
    ASSERT_TRUE(outcome.Run.has_value()) << outcome.Error;
    const SortOptions& options = outcome.Run->Options;
    EXPECT_EQ(options.SourceFolders, (std::vector<std::string>{"/card", "/card2"}));
    EXPECT_EQ(options.TargetRoot, "/photos");
    EXPECT_EQ(options.MaskText, "*.jpg;*.avi");
    EXPECT_EQ(options.LayoutIndex, 0);
    EXPECT_EQ(options.SeparatorIndex, 0);
    EXPECT_EQ(options.SeparatorChar, U'-');
    EXPECT_FALSE(options.RenameFiles);
    EXPECT_FALSE(options.DeleteSources);
    EXPECT_EQ(options.DateFrom, DateSource::LastWriteTime);
    EXPECT_FALSE(outcome.Run->Quiet);
}

TEST(CommandLineTest, EveryOptionReachesTheRun) {
    const ParseOutcome outcome =
        ParseCommandLine({"--target", "out", "--mask", "*.png; *.mov", "--layout", "3", "-s", "#",
                          "--prefix", " IMG_", "--suffix", "_x ", "--rename", "--delete", "-q",
                          "--date-from", "capture", "card"});
    ASSERT_TRUE(outcome.Run.has_value()) << outcome.Error;
    const SortOptions& options = outcome.Run->Options;
    EXPECT_EQ(options.MaskText, "*.png; *.mov");
    EXPECT_EQ(options.LayoutIndex, 3);
    EXPECT_EQ(options.SeparatorIndex, 5);
    EXPECT_EQ(options.SeparatorChar, U'#');
    EXPECT_EQ(options.Prefix, " IMG_");
    EXPECT_EQ(options.Suffix, "_x ");
    EXPECT_TRUE(options.RenameFiles);
    EXPECT_TRUE(options.DeleteSources);
    EXPECT_EQ(options.DateFrom, DateSource::CaptureDate);
    EXPECT_TRUE(outcome.Run->Quiet);
}

TEST(CommandLineTest, UsageErrorsGiveOneLineAndExitCodeTwo) {
    const std::vector<std::vector<std::string>> bad = {
        {"card"},                          // no target
        {"-t", "", "card"},                // empty target
        {"-t", "out"},                     // no source
        {"-t", "out", "-l", "4", "card"},  // layout out of range
        {"-t", "out", "-l", "-1", "card"},
        {"-t", "out", "-l", "x", "card"},
        {"-t", "out", "-s", "/", "card"},  // not one of the six
        {"-t", "out", "-s", "--", "card"},
        {"-t", "out", "--bogus", "card"},
        {"-t", "out", "--date-from", "exif", "card"},
    };
    for (const auto& arguments : bad) {
        const ParseOutcome outcome = ParseCommandLine(arguments);
        EXPECT_FALSE(outcome.Run.has_value());
        EXPECT_EQ(outcome.ExitCode, kExitUsage);
        EXPECT_EQ(outcome.Error.rfind("quenby-sort: ", 0), 0U) << outcome.Error;
        EXPECT_EQ(std::count(outcome.Error.begin(), outcome.Error.end(), '\n'), 1) << outcome.Error;
        EXPECT_TRUE(outcome.Output.empty());
    }
}

TEST(CommandLineTest, HelpAndVersionGoToStandardOutput) {
    for (const char* flag : {"--help", "-h", "--version"}) {
        const ParseOutcome outcome = ParseCommandLine({flag});
        EXPECT_FALSE(outcome.Run.has_value());
        EXPECT_EQ(outcome.ExitCode, 0);
        EXPECT_FALSE(outcome.Output.empty());
        EXPECT_TRUE(outcome.Error.empty());
    }
    EXPECT_NE(ParseCommandLine({"--help"}).Output.find("--separator"), std::string::npos);
    EXPECT_EQ(ParseCommandLine({"--version"}).Output.rfind("quenby-sort ", 0), 0U);
}

}  // namespace
}  // namespace quenby::cli
