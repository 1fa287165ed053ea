#pragma once

namespace quenby {

// A local date and time as days since 30 December 1899; the fraction is the
// time of day. Dates before that day are negative, with the fraction
// subtracted, so that the integral part always names the day.
using DateTimeValue = double;

inline constexpr double kMillisecondsPerDay = 86'400'000.0;

// False (and `value` untouched) unless the fields form a date of the years
// 1 to 9999.
bool TryEncodeDate(int year, int month, int day, DateTimeValue& value);

// False unless hour < 24, minute < 60, second < 60 and millisecond < 1000.
bool TryEncodeTime(int hour, int minute, int second, int millisecond, double& fraction);

// Adds a time of day to a day count, keeping the day in the integral part.
DateTimeValue CombineDateAndTime(DateTimeValue date, double fraction);

struct CalendarDate {
    int Year = 0;
    int Month = 0;
    int Day = 0;
    int DayOfWeek = 0;  // 1 = Sunday .. 7 = Saturday
};

// The calendar day a value names, after rounding it to whole milliseconds.
CalendarDate DecodeDate(DateTimeValue value);

bool IsLeapYear(int year);

}  // namespace quenby
