#include <windows.h>

#include "platform/locale/localtime.h"

namespace quenby::platform {

bool FileTimeToLocalCalendar(std::uint64_t fileTime, CalendarTime& local) {
    // Values with the top bit set are not valid file times.
    if (fileTime > static_cast<std::uint64_t>(INT64_MAX)) {
        return false;
    }
    FILETIME utc;
    utc.dwLowDateTime = static_cast<DWORD>(fileTime & 0xFFFFFFFFU);
    utc.dwHighDateTime = static_cast<DWORD>(fileTime >> 32);
    // FileTimeToLocalFileTime would apply today's offset to every file, so a
    // summer photo sorted in winter would land an hour early, possibly on
    // the day before. Converting the calendar time with the zone's rules
    // for that date keeps it on its own day.
    SYSTEMTIME utcFields;
    SYSTEMTIME fields;
    if (!::FileTimeToSystemTime(&utc, &utcFields) ||
        !::SystemTimeToTzSpecificLocalTime(nullptr, &utcFields, &fields)) {
        return false;
    }
    local.Year = fields.wYear;
    local.Month = fields.wMonth;
    local.Day = fields.wDay;
    local.Hour = fields.wHour;
    local.Minute = fields.wMinute;
    local.Second = fields.wSecond;
    local.Millisecond = fields.wMilliseconds;
    return true;
}

}  // namespace quenby::platform
