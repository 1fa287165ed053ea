// The settings that come from the user's locale, read from real locales
// compiled into a temporary folder (LOCPATH), so the test does not depend on
// the locales the machine has installed.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>

#include "platform/locale/numberformat.h"
#include "platform/text/charset.h"
#include "settings/inifile.h"
#include "settings/numbersettings.h"
#include "tests/support/envguard.h"
#include "tests/support/tempfolder.h"

// glibc's newlocale() does not free its copy of LOCPATH (a few bytes per
// call, only when LOCPATH is set); that is no leak of ours.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:argz_add_sep\n";
}

namespace quenby {
namespace {

using test::EnvGuard;

class UserLocaleTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string command = "localedef -i de_DE -f ISO-8859-1 '" + m_locales.Path() +
                                    "/de_DE.ISO-8859-1' >/dev/null 2>&1";
        if (std::system(command.c_str()) != 0) {
            GTEST_SKIP() << "localedef cannot compile de_DE.ISO-8859-1 here";
        }
    }
    void TearDown() override { ResetNumberSettings(); }

    test::TempFolder m_locales;
    EnvGuard m_path{"LOCPATH", m_locales.Path()};
    EnvGuard m_all{"LC_ALL", std::nullopt};
    EnvGuard m_ctype{"LC_CTYPE", std::nullopt};
    EnvGuard m_numeric{"LC_NUMERIC", std::nullopt};
    EnvGuard m_monetary{"LC_MONETARY", std::nullopt};
    EnvGuard m_lang{"LANG", "de_DE.ISO-8859-1"};
};

TEST_F(UserLocaleTest, NumberSettingsAndCharsetComeFromTheLocale) {
    const platform::NumberFormat format = platform::ReadNumberFormat();
    EXPECT_EQ(format.DecimalSeparator, ",");
    EXPECT_EQ(format.ThousandSeparator, ".");
    EXPECT_EQ(format.CurrencyFormat, 3);  // 1 EUR
    EXPECT_EQ(format.NegCurrFormat, 8);   // -1 EUR
    EXPECT_EQ(format.CurrencyDecimals, 2);
    EXPECT_EQ(platform::LocaleCharset(), "ISO-8859-1");
    // The process's own locale is not touched.
    EXPECT_EQ(std::string(std::localeconv()->decimal_point), ".");
}

TEST_F(UserLocaleTest, TheSettingsFileUsesTheLocale) {
    ResetNumberSettings();
    test::TempFolder folder;
    const std::string path = folder / "quenby.ini";
    {
        TMemIniFile ini(path);
        ini.WriteFloat("Quenbyform", "wert", 1.5);
        ini.WriteString("Quellverzeichnisse", "Nr1", "/Bilder/Müll");
        ini.UpdateFile();
    }
    EXPECT_EQ(test::ReadFile(path),
              "[Quenbyform]\r\nwert=1,5\r\n\r\n"
              "[Quellverzeichnisse]\r\nNr1=/Bilder/M\xFCll\r\n\r\n");
    TMemIniFile again(path);
    EXPECT_EQ(again.ReadFloat("Quenbyform", "wert", 0), 1.5);
    EXPECT_EQ(again.ReadString("Quellverzeichnisse", "Nr1", ""), "/Bilder/Müll");
}

}  // namespace
}  // namespace quenby
