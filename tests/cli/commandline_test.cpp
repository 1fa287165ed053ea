#include "cli/commandline.h"

#include <gtest/gtest.h>

#include "tests/support/tempfolder.h"

namespace quenby::cli {
namespace {

class CommandLineTest : public ::testing::Test {
protected:
    CommandLineTest() {
        test::MakeFolders(m_out);
        test::MakeFolders(m_card);
        test::MakeFolders(m_card2);
        test::WriteFile(m_file, "x");
    }

    test::TempFolder m_tmp;
    const std::string m_out = m_tmp / "out";
    const std::string m_card = m_tmp / "card";
    const std::string m_card2 = m_tmp / "card2";
    const std::string m_file = m_tmp / "file.jpg";
};

TEST_F(CommandLineTest, DefaultsMatchTheMainWindow) {
    const ParseOutcome outcome = ParseCommandLine({"-t", m_out, m_card, m_card2});
    ASSERT_TRUE(outcome.Run.has_value()) << outcome.Error;
    const SortOptions& options = outcome.Run->Options;
    EXPECT_EQ(options.SourceFolders, (std::vector<std::string>{m_card, m_card2}));
    EXPECT_EQ(options.TargetRoot, m_out);
    EXPECT_EQ(options.MaskText, "*.jpg;*.avi");
    EXPECT_EQ(options.LayoutIndex, 0);
    EXPECT_EQ(options.SeparatorIndex, 0);
    EXPECT_EQ(options.SeparatorChar, U'-');
    EXPECT_FALSE(options.RenameFiles);
    EXPECT_FALSE(options.DeleteSources);
    EXPECT_EQ(options.DateFrom, DateSource::LastWriteTime);
    EXPECT_FALSE(outcome.Run->Quiet);
    EXPECT_EQ(outcome.Error, "");
}

TEST_F(CommandLineTest, EveryOptionReachesTheRun) {
    const ParseOutcome outcome =
        ParseCommandLine({"--target", m_out, "--mask", "*.png; *.mov;*.jpg ", "--layout", "3", "-s",
                          "#", "--prefix", " IMG_", "--suffix", "_x ", "--rename", "--delete", "-q",
                          "--date-from", "capture", m_card});
    ASSERT_TRUE(outcome.Run.has_value()) << outcome.Error;
    const SortOptions& options = outcome.Run->Options;
    EXPECT_EQ(options.MaskText, "*.png; *.mov;*.jpg ");
    EXPECT_EQ(options.LayoutIndex, 3);
    EXPECT_EQ(options.SeparatorIndex, 5);
    EXPECT_EQ(options.SeparatorChar, U'#');
    EXPECT_EQ(options.Prefix, " IMG_");
    EXPECT_EQ(options.Suffix, "_x ");
    EXPECT_TRUE(options.RenameFiles);
    EXPECT_TRUE(options.DeleteSources);
    EXPECT_EQ(options.DateFrom, DateSource::CaptureDate);
    EXPECT_TRUE(outcome.Run->Quiet);
    // The blanks are kept, but one line warns of them.
    EXPECT_EQ(outcome.Error,
              "quenby-sort: warning: the mask \"*.png; *.mov;*.jpg \" has patterns that start or "
              "end with a blank (\" *.mov\", \"*.jpg \"); they are used as written and probably "
              "miss files\n");
}

TEST_F(CommandLineTest, UsageErrorsGiveOneLineAndExitCodeTwo) {
    const std::string missing = m_tmp / "missing";
    const std::vector<std::vector<std::string>> bad = {
        {m_card},                          // no target
        {"-t", m_out},                     // no source
        {"-t", m_out, "-l", "4", m_card},  // layout out of range
        {"-t", m_out, "-l", "-1", m_card},
        {"-t", m_out, "-l", "x", m_card},
        {"-t", m_out, "-s", "/", m_card},  // not one of the six
        {"-t", m_out, "-s", "--", m_card},
        {"-t", m_out, "--bogus", m_card},
        {"-t", m_out, "--date-from", "exif", m_card},
        {"-t", m_out, "--date-from=", m_card},
        // An empty value, however it is spelled, never takes the next argument.
        {"-t", "", m_out, m_card},
        {"--target", "", m_out, m_card},
        {"--target=", m_out, m_card},
        {"-t", m_out, "--mask=", "*.jpg", m_card},
        {"-t", m_out, "-m", "", m_card},
        {"-t", m_out, "--prefix", "", m_card},
        {"-t", m_out, "--suffix=", m_card},
        {"-t", m_out, "--layout=", "1", m_card},
        {"-t", m_out, "--separator=", m_card},
        // Sources and target must be folders that are there.
        {"-t", m_out, missing},
        {"-t", m_out, m_card, m_file},
        {"-t", missing, m_card},
        {"-t", m_file, m_card},
        // A renamed copy stays in its day folder.
        {"-t", m_out, "--rename", "--prefix", "../../x_", m_card},
        {"-t", m_out, "--rename", "--suffix", "/x", m_card},
    };
    for (const auto& arguments : bad) {
        const ParseOutcome outcome = ParseCommandLine(arguments);
        EXPECT_FALSE(outcome.Run.has_value()) << arguments[arguments.size() - 2];
        EXPECT_EQ(outcome.ExitCode, kExitUsage);
        EXPECT_EQ(outcome.Error.rfind("quenby-sort: ", 0), 0U) << outcome.Error;
        EXPECT_EQ(std::count(outcome.Error.begin(), outcome.Error.end(), '\n'), 1) << outcome.Error;
        EXPECT_TRUE(outcome.Output.empty());
    }
    // The path at fault is named.
    EXPECT_NE(ParseCommandLine({"-t", missing, m_card}).Error.find(missing), std::string::npos);
    EXPECT_NE(ParseCommandLine({"-t", m_out, m_file}).Error.find(m_file), std::string::npos);
}

TEST(CommandLineHelpTest, HelpAndVersionGoToStandardOutput) {
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
