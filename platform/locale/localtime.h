#pragma once

#include <cstdint>

namespace quenby::platform {

struct CalendarTime {
    int Year = 0;
    int Month = 0;
    int Day = 0;
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
    int Millisecond = 0;
};

// Splits a UTC time (100-nanosecond intervals since 1 January 1601) into
// local calendar fields, using the time-zone offset that was in force at that
// very moment: a photo taken at 00:30 in summer stays on its own day when it
// is sorted in winter. False when the time cannot be converted.
bool FileTimeToLocalCalendar(std::uint64_t fileTime, CalendarTime& local);

}  // namespace quenby::platform
