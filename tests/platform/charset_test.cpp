#include "platform/text/charset.h"

#include <gtest/gtest.h>

#include "platform/locale/numberformat.h"

namespace quenby::platform {
namespace {

// The C library's sets; the Windows code pages have tests of their own.
#ifndef _WIN32
TEST(CharsetTest, EncodingReplacesWhatTheSetCannotHold) {
    const struct {
        const char* charset;
        std::string text;
        std::string bytes;
        bool lossy;
    } cases[] = {
        {"ISO-8859-1", "Müll", "M\xFCll", false},
        {"ISO-8859-1", "Фото €",
         "?"
         "?"
         "?"
         "? ?",
         true},
        {"ISO-8859-15", "5 €", "5 \xA4", false},
        {"CP1252", "„Müll“ €", "\x84M\xFCll\x93 \x80", false},
        {"ANSI_X3.4-1968", "Müll", "M?ll", true},
        {"ANSI_X3.4-1968", "plain", "plain", false},
        // A byte that is no UTF-8 came in as such and goes out unchanged.
        {"ISO-8859-1", "M\xFCll", "M\xFCll", false},
        {"UTF-8", "日本 M\xFCll", "日本 M\xFCll", false},
        {"utf8", "日本", "日本", false},
        {"NO-SUCH-SET", "Müll", "M?ll", true},
    };
    for (const auto& c : cases) {
        bool lossy = !c.lossy;
        EXPECT_EQ(EncodeCharset(c.text, c.charset, lossy), c.bytes) << c.charset << " " << c.text;
        EXPECT_EQ(lossy, c.lossy) << c.charset << " " << c.text;
    }
}

TEST(CharsetTest, DecodingKeepsBytesTheSetDoesNotKnow) {
    EXPECT_EQ(DecodeCharset("M\xFCll", "ISO-8859-1"), "Müll");
    EXPECT_EQ(DecodeCharset("\x84M\xFCll\x93", "CP1252"), "„Müll“");
    // Plain C locale: the bytes stay as they are, so nothing is lost.
    EXPECT_EQ(DecodeCharset("M\xC3\xBCll", "ANSI_X3.4-1968"), "Müll");
    EXPECT_EQ(DecodeCharset("M\xFCll", "UTF-8"), "M\xFCll");
    EXPECT_FALSE(LocaleCharset().empty());
}

#endif

TEST(NumberFormatTest, CurrencyPatternsFromThePlacementFlags) {
    EXPECT_EQ(CurrencyFormatFor(true, false), 0);   // $1
    EXPECT_EQ(CurrencyFormatFor(false, false), 1);  // 1$
    EXPECT_EQ(CurrencyFormatFor(true, true), 2);    // $ 1
    EXPECT_EQ(CurrencyFormatFor(false, true), 3);   // 1 $
    const struct {
        bool precedes, space;
        int position;
        int expected;
    } cases[] = {
        {true, false, 0, 0},  {true, false, 1, 1},  {true, false, 2, 3},  {false, false, 0, 4},
        {false, false, 1, 5}, {false, false, 3, 6}, {false, false, 2, 7}, {false, true, 1, 8},
        {true, true, 1, 9},   {false, true, 2, 10}, {true, true, 2, 11},  {true, true, 4, 12},
        {false, true, 3, 13}, {true, true, 0, 14},  {false, true, 0, 15},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NegativeCurrencyFormatFor(c.precedes, c.space, c.position), c.expected)
            << c.precedes << c.space << c.position;
    }
}

}  // namespace
}  // namespace quenby::platform
