#include "settings/numbertext.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace quenby {
namespace {

TEST(NumberTextTest, FloatsInTheGeneralFormat) {
    const struct {
        double value;
        const char* point;
        const char* comma;
    } cases[] = {
        {0.0, "0", "0"},
        {1.0, "1", "1"},
        {-1.5, "-1.5", "-1,5"},
        {1.01, "1.01", "1,01"},
        {0.1, "0.1", "0,1"},
        {1.0 / 3.0, "0.333333333333333", "0,333333333333333"},
        {2.0 / 3.0, "0.666666666666667", "0,666666666666667"},
        {123456.789, "123456.789", "123456,789"},
        {0.0001, "0.0001", "0,0001"},
        {0.00012345, "0.00012345", "0,00012345"},
        {0.00001, "1E-5", "1E-5"},
        {-0.000015, "-1.5E-5", "-1,5E-5"},
        {999999999999999.0, "999999999999999", "999999999999999"},
        {1e15, "1E15", "1E15"},
        {1234567890123456.0, "1.23456789012346E15", "1,23456789012346E15"},
        {9999999999999999.0, "1E16", "1E16"},
        {1e300, "1E300", "1E300"},
        {45000.0, "45000", "45000"},
        {41767.5, "41767.5", "41767,5"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FloatToText(c.value, "."), c.point) << c.value;
        EXPECT_EQ(FloatToText(c.value, ","), c.comma) << c.value;
        double back = 0;
        ASSERT_TRUE(TextToFloat(c.comma, ",", back)) << c.comma;
        EXPECT_EQ(FloatToText(back, ","), c.comma);
    }
    EXPECT_EQ(FloatToText(std::numeric_limits<double>::infinity(), "."), "INF");
    EXPECT_EQ(FloatToText(-std::numeric_limits<double>::infinity(), "."), "-INF");
    EXPECT_EQ(FloatToText(std::nan(""), "."), "NAN");
}

TEST(NumberTextTest, ParsingFloats) {
    const struct {
        const char* text;
        const char* separator;
        bool parses;
        double value;
    } cases[] = {
        {"1,5", ",", true, 1.5},    {"1.5", ",", false, 0},
        {"1.5", ".", true, 1.5},    {"  -2,25  ", ",", true, -2.25},
        {"+3", ",", true, 3},       {",5", ",", true, 0.5},
        {"5,", ",", true, 5},       {"1E-5", ",", true, 1e-5},
        {"1,5e3", ",", true, 1500}, {"1E", ",", false, 0},
        {"E5", ",", false, 0},      {",", ",", false, 0},
        {"1 000", ",", false, 0},   {"1.000,5", ",", false, 0},
        {"1e999", ",", false, 0},   {"abc", ",", false, 0},
        {"1٫5", "٫", true, 1.5},
    };
    for (const auto& c : cases) {
        double value = -99;
        EXPECT_EQ(TextToFloat(c.text, c.separator, value), c.parses) << c.text;
        EXPECT_EQ(value, c.parses ? c.value : -99) << c.text;
    }
}

}  // namespace
}  // namespace quenby
