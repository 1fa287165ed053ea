#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "base/datetime.h"
#include "platform/locale/localtime.h"

namespace quenby {

// Calendar fields of a date text as cameras write it; the time of day is
// -1 throughout when the text has none. Accepted: "2014:05:03 14:00:00"
// (EXIF; "-" or "/" between the parts of the date too), ISO 8601
// "2014-05-03T14:00:00+02:00" (whatever follows the seconds is left out,
// so the wall-clock time where it was taken stays) and C's asctime form
// "Sat May 03 14:00:00 2014" of AVI cameras.
std::optional<platform::CalendarTime> ParseStampText(std::string_view text);

// Videos stamped before this year carry a camera's unset clock, not a date.
inline constexpr int kEarliestVideoYear = 1980;

// The fields as a local date-time when they make a plausible stamp: a valid
// date from `earliestYear` up to the end of next year. A broken time of day
// leaves the day itself.
std::optional<DateTimeValue> PlausibleStamp(const platform::CalendarTime& fields, int earliestYear);

// A UTC stamp in seconds since 1 January 1904 (QuickTime and MP4), as local
// time at the zone's offset of that moment; empty for zero or implausible.
std::optional<DateTimeValue> LocalFromSeconds1904(std::uint64_t seconds);

}  // namespace quenby
