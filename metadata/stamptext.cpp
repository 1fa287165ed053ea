#include "metadata/stamptext.h"

#include <array>
#include <chrono>

namespace quenby {
namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Reads `minDigits` to `maxDigits` digits at `at`; -1 when there are fewer.
int Number(std::string_view text, std::size_t& at, std::size_t minDigits, std::size_t maxDigits) {
    int value = 0;
    std::size_t digits = 0;
    while (at < text.size() && digits < maxDigits && IsDigit(text[at])) {
        value = value * 10 + (text[at] - '0');
        ++at;
        ++digits;
    }
    return digits < minDigits ? -1 : value;
}

bool Skip(std::string_view text, std::size_t& at, std::string_view allowed) {
    if (at < text.size() && allowed.find(text[at]) != std::string_view::npos) {
        ++at;
        return true;
    }
    return false;
}

void SkipBlanks(std::string_view text, std::size_t& at) {
    while (at < text.size() && text[at] == ' ') {
        ++at;
    }
}

// "hh:mm:ss" at `at`; the fields stay -1 unless all three are there.
void ReadTime(std::string_view text, std::size_t& at, platform::CalendarTime& fields) {
    const int hour = Number(text, at, 1, 2);
    if (hour < 0 || !Skip(text, at, ":")) {
        return;
    }
    const int minute = Number(text, at, 2, 2);
    if (minute < 0 || !Skip(text, at, ":")) {
        return;
    }
    const int second = Number(text, at, 2, 2);
    if (second < 0) {
        return;
    }
    fields.Hour = hour;
    fields.Minute = minute;
    fields.Second = second;
}

std::optional<platform::CalendarTime> ParseNumericStamp(std::string_view text, std::size_t at) {
    platform::CalendarTime fields{0, 0, 0, -1, -1, -1, 0};
    fields.Year = Number(text, at, 4, 4);
    if (fields.Year < 0 || !Skip(text, at, ":-/")) {
        return std::nullopt;
    }
    fields.Month = Number(text, at, 1, 2);
    if (fields.Month < 0 || !Skip(text, at, ":-/")) {
        return std::nullopt;
    }
    fields.Day = Number(text, at, 1, 2);
    if (fields.Day < 0) {
        return std::nullopt;
    }
    if (Skip(text, at, " T")) {
        SkipBlanks(text, at);
        ReadTime(text, at, fields);
    }
    return fields;
}

std::optional<platform::CalendarTime> ParseAsctimeStamp(std::string_view text, std::size_t at) {
    static constexpr std::array<std::string_view, 12> kMonths = {
        "jan", "feb", "mar", "apr", "may", "jun", "jul", "aug", "sep", "oct", "nov", "dec"};
    platform::CalendarTime fields{0, 0, 0, -1, -1, -1, 0};
    while (at < text.size() && IsLetter(text[at])) {  // the weekday
        ++at;
    }
    SkipBlanks(text, at);
    if (text.size() - at < 3) {
        return std::nullopt;
    }
    for (std::size_t m = 0; m < kMonths.size(); ++m) {
        const std::string_view name = kMonths[m];
        if (Lower(text[at]) == name[0] && Lower(text[at + 1]) == name[1] &&
            Lower(text[at + 2]) == name[2]) {
            fields.Month = static_cast<int>(m) + 1;
        }
    }
    while (at < text.size() && IsLetter(text[at])) {
        ++at;
    }
    SkipBlanks(text, at);
    fields.Day = Number(text, at, 1, 2);
    SkipBlanks(text, at);
    ReadTime(text, at, fields);
    SkipBlanks(text, at);
    fields.Year = Number(text, at, 4, 4);
    if (fields.Month == 0 || fields.Day < 0 || fields.Year < 0) {
        return std::nullopt;
    }
    return fields;
}

int NextYear() {
    using namespace std::chrono;
    const year_month_day today{floor<days>(system_clock::now())};
    return static_cast<int>(today.year()) + 1;
}

}  // namespace

std::optional<platform::CalendarTime> ParseStampText(std::string_view text) {
    std::size_t at = 0;
    SkipBlanks(text, at);
    if (at < text.size() && IsLetter(text[at])) {
        return ParseAsctimeStamp(text, at);
    }
    return ParseNumericStamp(text, at);
}

std::optional<DateTimeValue> PlausibleStamp(const platform::CalendarTime& fields,
                                            int earliestYear) {
    DateTimeValue date = 0.0;
    if (fields.Year < earliestYear || fields.Year > NextYear() ||
        !TryEncodeDate(fields.Year, fields.Month, fields.Day, date)) {
        return std::nullopt;
    }
    double fraction = 0.0;
    if (!TryEncodeTime(fields.Hour, fields.Minute, fields.Second, fields.Millisecond, fraction)) {
        return date;
    }
    return CombineDateAndTime(date, fraction);
}

std::optional<DateTimeValue> LocalFromSeconds1904(std::uint64_t seconds) {
    // Seconds from 1 January 1601, where file times count from, to 1904.
    constexpr std::uint64_t kSeconds1601To1904 = 9'561'628'800ULL;
    constexpr std::uint64_t kTicksPerSecond = 10'000'000ULL;
    if (seconds == 0 || seconds > UINT64_MAX / kTicksPerSecond - kSeconds1601To1904) {
        return std::nullopt;
    }
    platform::CalendarTime local;
    if (!platform::FileTimeToLocalCalendar((seconds + kSeconds1601To1904) * kTicksPerSecond,
                                           local)) {
        return std::nullopt;
    }
    return PlausibleStamp(local, kEarliestVideoYear);
}

}  // namespace quenby
