#include "settings/numberedittext.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "settings/numbersettings.h"

namespace quenby {
namespace {

platform::NumberFormat English() {
    return {".", ",", "$", 0, 0, 2};
}

platform::NumberFormat German() {
    // 1.234,50 EUR and -1.234,50 EUR, the symbol after a blank.
    return {",", ".", "EUR", 3, 8, 2};
}

class NumberEditTest : public testing::Test {
protected:
    void SetUp() override { NumberSettings() = English(); }
    void TearDown() override { ResetNumberSettings(); }
};

TEST_F(NumberEditTest, FormatsInEveryFloatFormat) {
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        double value;
        TFloatFormat format;
        int precision;
        int digits;
        const char* english;
        const char* german;
    } cases[] = {
        // The initial settings.
        {1234.5, ffNumber, 8, 2, "1,234.50", "1.234,50"},
        {-1234.5, ffNumber, 8, 2, "-1,234.50", "-1.234,50"},
        {0, ffNumber, 8, 2, "0.00", "0,00"},
        {0.5, ffNumber, 8, 2, "0.50", "0,50"},
        {123456789, ffNumber, 8, 2, "1.2345679E08", "1,2345679E08"},
        {1234.567, ffNumber, 8, 2, "1,234.57", "1.234,57"},
        {1234.5699, ffNumber, 8, 2, "1,234.57", "1.234,57"},
        {1234567.5, ffNumber, 8, 2, "1,234,567.50", "1.234.567,50"},
        // Half away from zero, on the decimal the user typed.
        {1.005, ffNumber, 8, 2, "1.01", "1,01"},
        {-1.005, ffNumber, 8, 2, "-1.01", "-1,01"},
        {-0.001, ffNumber, 8, 2, "0.00", "0,00"},
        {999999.995, ffNumber, 8, 2, "1,000,000.00", "1.000.000,00"},
        // Rounding up adds an integer digit beyond the precision.
        {99999999.5, ffNumber, 8, 2, "1E08", "1E08"},
        {1234.5, ffFixed, 8, 2, "1234.50", "1234,50"},
        {2.5, ffFixed, 8, 0, "3", "3"},
        {-2.5, ffFixed, 8, 0, "-3", "-3"},
        {0.5, ffFixed, 8, 20, "0.5000000000000000", "0,5000000000000000"},
        {1234.567, ffFixed, 4, 2, "1235.00", "1235,00"},
        {0.001234, ffFixed, 2, 6, "0.001200", "0,001200"},
        {1234.5, ffGeneral, 8, 2, "1234.5", "1234,5"},
        {0.5, ffGeneral, 8, 2, "0.5", "0,5"},
        {0, ffGeneral, 8, 2, "0", "0"},
        {100, ffGeneral, 8, 2, "100", "100"},
        {12345678, ffGeneral, 8, 2, "12345678", "12345678"},
        {1.0 / 3.0, ffGeneral, 8, 2, "0.33333333", "0,33333333"},
        {-1.5, ffGeneral, 8, 2, "-1.5", "-1,5"},
        {0.0001, ffGeneral, 8, 2, "0.0001", "0,0001"},
        {0.00001, ffGeneral, 8, 2, "1E-05", "1E-05"},
        {0.00001, ffGeneral, 8, 4, "1E-0005", "1E-0005"},
        {0.00001, ffGeneral, 8, 5, "1E-5", "1E-5"},
        {1e20, ffGeneral, 8, 0, "1E20", "1E20"},
        {123456789, ffGeneral, 1, 2, "1.2E08", "1,2E08"},
        {1234.5, ffExponent, 8, 2, "1.2345000E+03", "1,2345000E+03"},
        {-0.00012345, ffExponent, 8, 2, "-1.2345000E-04", "-1,2345000E-04"},
        {0, ffExponent, 8, 2, "0.0000000E+00", "0,0000000E+00"},
        {1234.5, ffExponent, 1, 2, "1.2E+03", "1,2E+03"},
        {1, ffExponent, 20, 2, "1.000000000000000E+00", "1,000000000000000E+00"},
        {1e100, ffExponent, 8, 0, "1.0000000E+100", "1,0000000E+100"},
        {1234.5, ffCurrency, 8, 2, "$1,234.50", "1.234,50 EUR"},
        {-1234.5, ffCurrency, 8, 2, "($1,234.50)", "-1.234,50 EUR"},
        {123456789, ffCurrency, 8, 2, "1.2345679E08", "1,2345679E08"},
        {std::nan(""), ffNumber, 8, 2, "NAN", "NAN"},
        {inf, ffCurrency, 8, 2, "INF", "INF"},
        {-inf, ffGeneral, 8, 2, "-INF", "-INF"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatFloatValue(c.value, c.format, c.precision, c.digits, English()), c.english)
            << c.value << " format " << int{c.format};
        EXPECT_EQ(FormatFloatValue(c.value, c.format, c.precision, c.digits, German()), c.german)
            << c.value << " format " << int{c.format};
    }
}

TEST_F(NumberEditTest, CurrencyPatternsAndNoGrouping) {
    platform::NumberFormat settings = English();
    settings.CurrencyFormat = 2;
    settings.NegCurrFormat = 12;
    EXPECT_EQ(FormatFloatValue(1234.5, ffCurrency, 8, 2, settings), "$ 1,234.50");
    EXPECT_EQ(FormatFloatValue(-1234.5, ffCurrency, 8, 2, settings), "$ -1,234.50");
    settings.CurrencyFormat = 3;
    settings.NegCurrFormat = 15;
    EXPECT_EQ(FormatFloatValue(5, ffCurrency, 8, 0, settings), "5 $");
    EXPECT_EQ(FormatFloatValue(-5, ffCurrency, 8, 0, settings), "(5 $)");
    // A locale without a thousands separator groups nothing.
    settings.ThousandSeparator.clear();
    EXPECT_EQ(FormatFloatValue(1234567, ffNumber, 8, 1, settings), "1234567.0");
}

TEST_F(NumberEditTest, ParsesOnlyTheNumberForm) {
    const struct {
        const char* text;
        double value;  // NaN: the default
    } english[] = {
        {"2e3", 2000},
        {" -2.7 ", -2.7},
        {"+5", 5},
        {"1E-2", 0.01},
        {"12.", 12},
        {"1,5", std::nan("")},
        {"abc", std::nan("")},
        {"", std::nan("")},
        {"-", std::nan("")},
        {"1e400", std::nan("")},
        {"1.2.3", std::nan("")},
        {"1e", std::nan("")},
        {"\t5", std::nan("")},
        {"- 5", std::nan("")},
        {"5 5", std::nan("")},
    };
    for (const auto& c : english) {
        const double result = ParseFloatDef(c.text, -99);
        EXPECT_EQ(result, std::isnan(c.value) ? -99 : c.value) << c.text;
    }
    NumberSettings() = German();
    EXPECT_EQ(ParseFloatDef("1,5", 0), 1.5);
    EXPECT_EQ(ParseFloatDef("1.5", -1), -1);
    EXPECT_EQ(ParseFloatDef("1.234,5", -1), -1);
}

TEST_F(NumberEditTest, ReadsTheCurrencyFormItWrites) {
    const struct {
        platform::NumberFormat settings;
        const char* text;
        bool ok;
        double value;
    } cases[] = {
        {English(), "$1,234.50", true, 1234.5},
        {English(), "($1,234.50)", true, -1234.5},
        {English(), "$0.00", true, 0},
        {English(), "-$1,234.50", false, 0},
        {English(), "$(1)", false, 0},
        {English(), "($-1.00)", false, 0},
        {English(), "$", false, 0},
        {English(), "()", false, 0},
        {English(), "1234.5", false, 0},
        {German(), "1.234,50 EUR", true, 1234.5},
        {German(), "-1.234,50 EUR", true, -1234.5},
        {German(), "1.234,50EUR", false, 0},
    };
    for (const auto& c : cases) {
        double value = 99;
        EXPECT_EQ(ParseCurrencyText(c.text, c.settings, value), c.ok) << c.text;
        EXPECT_EQ(value, c.ok ? c.value : 99) << c.text;
    }
    // Every pattern reads back what it writes.
    platform::NumberFormat settings = German();
    for (int positive = 0; positive < 4; ++positive) {
        for (int negative = 0; negative < 16; ++negative) {
            settings.CurrencyFormat = positive;
            settings.NegCurrFormat = negative;
            for (const double number : {1234.5, -1234.5}) {
                double value = 0;
                const std::string text = FormatFloatValue(number, ffCurrency, 8, 2, settings);
                EXPECT_TRUE(ParseCurrencyText(text, settings, value)) << text;
                EXPECT_EQ(value, number) << text;
            }
        }
    }
}

TEST_F(NumberEditTest, TruncatesToTheLow32Bits) {
    const double limit = 9223372036854775808.0;
    const struct {
        double value;
        bool ok;
        std::int32_t result;
    } cases[] = {
        {-2.7, true, -2},
        {2.9, true, 2},
        {3000000000.0, true, -1294967296},
        {1e18, true, -1486618624},
        {std::nextafter(limit, 0.0), true, -1024},
        {limit, false, 0},
        {-limit, false, 0},
        {1e19, false, 0},
        {std::numeric_limits<double>::infinity(), false, 0},
        {std::nan(""), false, 0},
    };
    for (const auto& c : cases) {
        std::int32_t result = 12345;
        EXPECT_EQ(TruncateToInt32(c.value, result), c.ok) << c.value;
        EXPECT_EQ(result, c.ok ? c.result : 12345) << c.value;
    }
}

TEST_F(NumberEditTest, FiltersToANumbersCharacters) {
    const struct {
        const char16_t* text;
        char16_t decimal;
        char16_t thousands;
        int digits;
        const char16_t* result;
    } cases[] = {
        {u"12.345", '.', ',', 2, u"12.34"},
        {u"1a2", '.', ',', 2, u"12"},
        {u"1.2.3", '.', ',', 2, u"12.3"},
        {u"1.2.345", '.', ',', 2, u"12.34"},
        {u"1,5", '.', ',', 2, u"1,5"},
        {u"1,5", '.', 0, 2, u"15"},
        {u"1.2345", '.', ',', 0, u"1.2345"},
        // Letters behind the separator count toward the cut before they go.
        {u"1.a23", '.', ',', 2, u"1.2"},
        {u"-1-2 E+3", '.', ',', 2, u"-1-23"},
        {u"1.234,567", ',', '.', 2, u"1.234,56"},
        {u"1,2,3", ',', '.', 2, u"12,3"},
        {u"", '.', ',', 2, u""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FilterNumberText(c.text, c.decimal, c.thousands, c.digits), c.result);
    }
}

TEST_F(NumberEditTest, TextLeftEdgeByAlignment) {
    EXPECT_EQ(TextLeftEdge(taLeftJustify, 100, 40, 3), 3);
    EXPECT_EQ(TextLeftEdge(taRightJustify, 100, 40, 3), 56);
    EXPECT_EQ(TextLeftEdge(taCenter, 100, 41, 3), 29);
    EXPECT_EQ(int{taLeftJustify}, 0);
    EXPECT_EQ(int{taRightJustify}, 1);
    EXPECT_EQ(int{taCenter}, 2);
    EXPECT_EQ(int{ffGeneral}, 0);
    EXPECT_EQ(int{ffExponent}, 1);
    EXPECT_EQ(int{ffFixed}, 2);
    EXPECT_EQ(int{ffNumber}, 3);
    EXPECT_EQ(int{ffCurrency}, 4);
}

}  // namespace
}  // namespace quenby
