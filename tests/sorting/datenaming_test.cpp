#include "sorting/datenaming.h"

#include <gtest/gtest.h>

namespace quenby {
namespace {

class DateNamingTest : public ::testing::Test {
protected:
    void SetUp() override { ResetDateNaming(); }
    void TearDown() override { ResetDateNaming(); }

    static DateTimeValue Date(int year, int month, int day) {
        DateTimeValue value = 0;
        EXPECT_TRUE(TryEncodeDate(year, month, day, value));
        return value;
    }
};

TEST_F(DateNamingTest, RendersTheFourLayoutsWithEverySeparator) {
    struct Row {
        int Layout;
        char32_t Separator;
        const char* Expected;
    };
    for (const Row& row :
         {Row{0, U'-', "2014-05-03"}, Row{1, U'-', "2014-5-3"}, Row{2, U'-', "03-05-2014"},
          Row{3, U'-', "3-5-2014"}, Row{0, U'.', "2014.05.03"}, Row{3, U'_', "3_5_2014"},
          Row{2, U'#', "03#05#2014"}, Row{1, U'=', "2014=5=3"}, Row{0, U'~', "2014~05~03"}}) {
        EXPECT_EQ(
            RenderDate(Date(2014, 5, 3) + 0.99, LayoutDateNaming(row.Layout, row.Separator, "")),
            row.Expected);
    }
}

TEST_F(DateNamingTest, PadsYearsAndStartsAtTheEpoch) {
    const DateNamingSettings naming = LayoutDateNaming(0, U'-', "");
    EXPECT_EQ(RenderDate(0.0, naming), "1899-12-30");
    EXPECT_EQ(RenderDate(Date(999, 1, 2), naming), "0999-01-02");
    EXPECT_EQ(RenderDate(-1.25, naming), "1899-12-29");
}

TEST_F(DateNamingTest, ApplyReturnsTheSeparatorBeforeAndKeepsThePatternAfter) {
    DateNaming().Separator = U'/';
    const char32_t previous = ApplyDateNaming(0, U'-');
    EXPECT_EQ(previous, U'/');
    EXPECT_EQ(DateNaming().Separator, U'-');
    DateNaming().Separator = previous;
    EXPECT_EQ(DateNaming().Separator, U'/');
    EXPECT_EQ(DateNaming().Pattern, "yyyy/mm/dd");

    // A damaged layout index keeps whatever pattern was in force.
    ApplyDateNaming(2, U'-');
    ApplyDateNaming(7, U'.');
    EXPECT_EQ(DateNaming().Pattern, "dd/mm/yyyy");
    ApplyDateNaming(-1, U'.');
    EXPECT_EQ(RenderDate(Date(2014, 5, 3), DateNaming()), "03.05.2014");
    EXPECT_EQ(LayoutDateNaming(4, U'_', "d/m/yy").Pattern, "d/m/yy");
}

TEST_F(DateNamingTest, RendersRegionalPatterns) {
    EXPECT_EQ(RenderDate(Date(2014, 5, 3), {"dd/mm/yy", U'.'}), "03.05.14");
    EXPECT_EQ(RenderDate(Date(2014, 5, 3), {"yyyy'年'm'月'd'日'", U'/'}), "2014年5月3日");
    EXPECT_EQ(RenderDate(Date(2014, 5, 3), {"d/M/YYYY", U'€'}), "3€5€2014");
    EXPECT_EQ(RenderDate(Date(2014, 5, 3), {"ddd dd mmm yyyy", U'/'}), "Sat 03 May 2014");
}

TEST_F(DateNamingTest, ComposesPrefixDateSuffixAndNothingElse) {
    // The process-wide naming plays no part.
    DateNaming() = DateNamingSettings{"d/m/yyyy", U'#'};
    const DateNamingSettings naming = LayoutDateNaming(0, U'-', "");
    const DateTimeValue may3 = Date(2014, 5, 3);
    EXPECT_EQ(ComposeDateName(may3 + 0.01, "IMG_", "", naming), "IMG_2014-05-03");
    EXPECT_EQ(ComposeDateName(may3 + 0.99, "IMG_", "", naming), "IMG_2014-05-03");
    EXPECT_EQ(ComposeDateName(may3, " a ", " b ", naming), " a 2014-05-03 b ");
    EXPECT_EQ(ComposeDateName(may3, "", "", naming), "2014-05-03");
}

TEST_F(DateNamingTest, FileNameTestRejectsExactlyTheNineCharacters) {
    EXPECT_FALSE(IsValidFileName(""));
    for (const char c : std::string("\"*/:<>?\\|")) {
        EXPECT_FALSE(IsValidFileName(std::string("IMG") + c + "2014")) << c;
    }
    EXPECT_EQ(ForbiddenNameChars().count(), 9U);
    EXPECT_TRUE(IsValidFileName("IMG_2014-05-03"));
    EXPECT_TRUE(IsValidFileName("€uro 2014"));
    EXPECT_TRUE(IsValidFileName("tab\there"));
    EXPECT_TRUE(IsValidFileName("[a];{b}"));
}

}  // namespace
}  // namespace quenby
