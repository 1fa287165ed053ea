#include "base/datetime.h"

#include <cmath>
#include <cstdint>

namespace quenby {
namespace {

// Days from 1 January of the year 1 to 30 December 1899.
constexpr std::int64_t kDaysToEpoch = 693594;

constexpr int kDaysInMonth[2][12] = {{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
                                     {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31}};

}  // namespace

bool IsLeapYear(int year) {
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

bool TryEncodeDate(int year, int month, int day, DateTimeValue& value) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) {
        return false;
    }
    const auto& days = kDaysInMonth[IsLeapYear(year) ? 1 : 0];
    if (day > days[month - 1]) {
        return false;
    }
    std::int64_t count = day;
    for (int m = 1; m < month; ++m) {
        count += days[m - 1];
    }
    const std::int64_t y = year - 1;
    count += y * 365 + y / 4 - y / 100 + y / 400;
    value = static_cast<double>(count - kDaysToEpoch);
    return true;
}

bool TryEncodeTime(int hour, int minute, int second, int millisecond, double& fraction) {
    if (hour < 0 || hour >= 24 || minute < 0 || minute >= 60 || second < 0 || second >= 60 ||
        millisecond < 0 || millisecond >= 1000) {
        return false;
    }
    const std::int64_t ms =
        ((static_cast<std::int64_t>(hour) * 60 + minute) * 60 + second) * 1000 + millisecond;
    fraction = static_cast<double>(ms) / kMillisecondsPerDay;
    return true;
}

DateTimeValue CombineDateAndTime(DateTimeValue date, double fraction) {
    return date >= 0 ? date + fraction : date - fraction;
}

CalendarDate DecodeDate(DateTimeValue value) {
    CalendarDate result;
    if (!std::isfinite(value) || std::fabs(value) > 4.0e6) {
        return result;
    }
    const auto ms = static_cast<std::int64_t>(std::llround(value * kMillisecondsPerDay));
    // Truncation toward zero keeps a negative value on the day its integral
    // part names.
    std::int64_t days = ms / static_cast<std::int64_t>(kMillisecondsPerDay) + kDaysToEpoch;
    if (days <= 0) {
        return result;
    }
    result.DayOfWeek = static_cast<int>(days % 7) + 1;
    --days;
    std::int64_t year = 1;
    const std::int64_t cycles400 = days / 146097;
    days %= 146097;
    year += cycles400 * 400;
    std::int64_t cycles100 = days / 36524;
    if (cycles100 == 4) {
        cycles100 = 3;
    }
    days -= cycles100 * 36524;
    year += cycles100 * 100;
    const std::int64_t cycles4 = days / 1461;
    days %= 1461;
    year += cycles4 * 4;
    std::int64_t years1 = days / 365;
    if (years1 == 4) {
        years1 = 3;
    }
    days -= years1 * 365;
    year += years1;
    const auto& monthDays = kDaysInMonth[IsLeapYear(static_cast<int>(year)) ? 1 : 0];
    int month = 1;
    while (days >= monthDays[month - 1]) {
        days -= monthDays[month - 1];
        ++month;
    }
    result.Year = static_cast<int>(year);
    result.Month = month;
    result.Day = static_cast<int>(days) + 1;
    return result;
}

}  // namespace quenby
