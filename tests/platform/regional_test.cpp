#include "platform/locale/regional.h"

#include <gtest/gtest.h>

namespace quenby::platform {
namespace {

TEST(RegionalDateFormatTest, TranslatesTheLocalesDateFormats) {
    struct Row {
        const char* Format;
        const char* Pattern;
        char32_t Separator;
    };
    for (const Row& row : {
             Row{"%m/%d/%y", "mm/dd/yy", U'/'},    // C, en_US
             Row{"%d.%m.%Y", "dd/mm/yyyy", U'.'},  // de_DE
             Row{"%d/%m/%Y", "dd/mm/yyyy", U'/'},  // en_GB
             Row{"%Y-%m-%d", "yyyy/mm/dd", U'-'},  // sv_SE
             Row{"%F", "yyyy/mm/dd", U'-'}, Row{"%D", "mm/dd/yy", U'/'},
             Row{"%e.%m.%Y", "d/mm/yyyy", U'.'}, Row{"%-d.%-m.%Y", "d/m/yyyy", U'.'},
             Row{"%Y年%m月%d日", "yyyy/mm月dd日", U'年'},  // ja_JP
             Row{"%d %b %Y", "dd mmm yyyy", U'/'},
             Row{"%Y. %m. %d.", "yyyy/ mm/ dd/", U'.'},  // hu_HU
         }) {
        const RegionalDateFormat format = ConvertStrftimeDateFormat(row.Format);
        EXPECT_EQ(format.ShortDatePattern, row.Pattern) << row.Format;
        EXPECT_EQ(format.DateSeparator, row.Separator) << row.Format;
    }
}

TEST(RegionalDateFormatTest, TranslatesWindowsDatePictures) {
    struct Row {
        const char* Picture;
        const char* Pattern;
        char32_t Separator;
    };
    for (const Row& row : {
             Row{"M/d/yyyy", "m/d/yyyy", U'/'},      // en-US
             Row{"dd.MM.yyyy", "dd/mm/yyyy", U'.'},  // de-DE
             Row{"yyyy-MM-dd", "yyyy/mm/dd", U'-'},  // sv-SE
             Row{"dd/MM/yy", "dd/mm/yy", U'/'},
             Row{"d. MMMM yyyy", "d/ mmmm yyyy", U'.'},
             Row{"ddd dd MMM y", "ddd dd mmm yyyy", U'/'},
             Row{"d' de 'MMMM' de 'yyyy", "d 'de' mmmm 'de' yyyy", U'/'},
             Row{"gg yyyy/MM/dd", " yyyy/mm/dd", U'/'},
             Row{"'100%' d.M.yyyy", "100'%' d/m/yyyy", U'.'},
         }) {
        const RegionalDateFormat format = ConvertWindowsDatePicture(row.Picture);
        EXPECT_EQ(format.ShortDatePattern, row.Pattern) << row.Picture;
        EXPECT_EQ(format.DateSeparator, row.Separator) << row.Picture;
    }
}

TEST(RegionalDateFormatTest, LettersOfTheFormatStayLiteral) {
    const RegionalDateFormat format = ConvertStrftimeDateFormat("%d de %B de %Y");
    EXPECT_EQ(format.ShortDatePattern, "dd 'de' mmmm 'de' yyyy");
    EXPECT_EQ(ConvertStrftimeDateFormat("").ShortDatePattern, "mm/dd/yy");
}

TEST(RegionalDateFormatTest, ReadsSomethingUsableFromTheEnvironment) {
    const RegionalDateFormat format = ReadRegionalDateFormat();
    EXPECT_FALSE(format.ShortDatePattern.empty());
    EXPECT_NE(format.DateSeparator, U'\0');
    EXPECT_FALSE(format.LongMonthNames[4].empty());
}

}  // namespace
}  // namespace quenby::platform
