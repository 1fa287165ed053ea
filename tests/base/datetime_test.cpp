#include "base/datetime.h"

#include <gtest/gtest.h>

namespace quenby {
namespace {

TEST(DateTimeTest, EncodesKnownDays) {
    DateTimeValue value = -1;
    ASSERT_TRUE(TryEncodeDate(1899, 12, 30, value));
    EXPECT_EQ(value, 0.0);
    ASSERT_TRUE(TryEncodeDate(2014, 5, 3, value));
    EXPECT_EQ(value, 41762.0);
    ASSERT_TRUE(TryEncodeDate(1, 1, 1, value));
    EXPECT_EQ(value, -693593.0);
    ASSERT_TRUE(TryEncodeDate(9999, 12, 31, value));
    EXPECT_EQ(value, 2958465.0);
}

TEST(DateTimeTest, RefusesDatesThatDoNotExist) {
    DateTimeValue value = 7;
    for (const auto& [y, m, d] : {std::tuple{2013, 2, 29},
                                  {1900, 2, 29},
                                  {2014, 13, 1},
                                  {2014, 0, 1},
                                  {2014, 4, 31},
                                  {0, 1, 1},
                                  {10000, 1, 1},
                                  {2014, 1, 0}}) {
        EXPECT_FALSE(TryEncodeDate(y, m, d, value)) << y << "-" << m << "-" << d;
    }
    EXPECT_EQ(value, 7);
    EXPECT_TRUE(TryEncodeDate(2000, 2, 29, value));
}

TEST(DateTimeTest, DecodesEveryDayItEncodes) {
    for (int year : {1, 4, 100, 400, 999, 1600, 1899, 1900, 2000, 2014, 2024, 9999}) {
        for (int month = 1; month <= 12; ++month) {
            for (int day : {1, 28, 29, 30, 31}) {
                DateTimeValue value = 0;
                if (!TryEncodeDate(year, month, day, value)) {
                    continue;
                }
                const CalendarDate date = DecodeDate(CombineDateAndTime(value, 0.75));
                EXPECT_EQ(date.Year, year);
                EXPECT_EQ(date.Month, month);
                EXPECT_EQ(date.Day, day);
            }
        }
    }
}

TEST(DateTimeTest, TimeOfDayAndDaysBeforeTheEpoch) {
    double fraction = 0;
    ASSERT_TRUE(TryEncodeTime(12, 0, 0, 0, fraction));
    EXPECT_EQ(fraction, 0.5);
    EXPECT_FALSE(TryEncodeTime(24, 0, 0, 0, fraction));
    EXPECT_FALSE(TryEncodeTime(1, 60, 0, 0, fraction));
    EXPECT_FALSE(TryEncodeTime(1, 0, 0, 1000, fraction));

    // 29 December 1899 at noon: the integral part still names the day.
    const DateTimeValue value = CombineDateAndTime(-1.0, 0.5);
    EXPECT_EQ(value, -1.5);
    const CalendarDate date = DecodeDate(value);
    EXPECT_EQ(date.Year, 1899);
    EXPECT_EQ(date.Month, 12);
    EXPECT_EQ(date.Day, 29);
    EXPECT_EQ(DecodeDate(0.0).DayOfWeek, 7);      // a Saturday
    EXPECT_EQ(DecodeDate(41762.0).DayOfWeek, 7);  // 3 May 2014, a Saturday
}

}  // namespace
}  // namespace quenby
