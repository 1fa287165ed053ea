#include <time.h>

#include "platform/locale/localtime.h"

namespace quenby::platform {

bool FileTimeToLocalCalendar(std::uint64_t fileTime, CalendarTime& local) {
    // Values with the top bit set are not valid file times.
    if (fileTime > static_cast<std::uint64_t>(INT64_MAX)) {
        return false;
    }
    constexpr std::int64_t kEpochDifferenceSeconds = 11644473600LL;
    const auto ticks = static_cast<std::int64_t>(fileTime);
    const time_t seconds = static_cast<time_t>(ticks / 10'000'000 - kEpochDifferenceSeconds);
    struct tm fields {};
    if (::localtime_r(&seconds, &fields) == nullptr) {
        return false;
    }
    local.Year = fields.tm_year + 1900;
    local.Month = fields.tm_mon + 1;
    local.Day = fields.tm_mday;
    local.Hour = fields.tm_hour;
    local.Minute = fields.tm_min;
    // A leap second shows as :60; the day's fraction cannot hold it.
    local.Second = fields.tm_sec > 59 ? 59 : fields.tm_sec;
    local.Millisecond = static_cast<int>((ticks % 10'000'000) / 10'000);
    return true;
}

}  // namespace quenby::platform
