#include "sorting/datenaming.h"

#include <cstdio>

#include "platform/files/pathsep.h"
#include "platform/locale/regional.h"
#include "platform/text/utf8.h"

namespace quenby {
namespace {

const platform::RegionalDateFormat& Regional() {
    static const platform::RegionalDateFormat format = platform::ReadRegionalDateFormat();
    return format;
}

std::string Padded(int value, int width) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%0*d", width, value);
    return buffer;
}

std::size_t RunLength(std::string_view text, std::size_t start) {
    const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c + ('a' - 'A')) : c; };
    std::size_t end = start + 1;
    while (end < text.size() && lower(text[end]) == lower(text[start])) {
        ++end;
    }
    return end - start;
}

void RenderPattern(std::string_view pattern, const CalendarDate& date, char32_t separator,
                   std::string& out, int depth);

void RenderField(char field, std::size_t count, const CalendarDate& date, char32_t separator,
                 std::string& out, int depth) {
    const platform::RegionalDateFormat& names = Regional();
    switch (field) {
        case 'y':
            out += count <= 2 ? Padded(date.Year % 100, 2) : Padded(date.Year, 4);
            break;
        case 'm':
            if (count == 1) {
                out += std::to_string(date.Month);
            } else if (count == 2) {
                out += Padded(date.Month, 2);
            } else if (date.Month >= 1) {
                const auto index = static_cast<std::size_t>(date.Month - 1);
                out += count == 3 ? names.ShortMonthNames[index] : names.LongMonthNames[index];
            }
            break;
        case 'd':
            if (count == 1) {
                out += std::to_string(date.Day);
            } else if (count == 2) {
                out += Padded(date.Day, 2);
            } else if (count <= 4 && date.DayOfWeek >= 1) {
                const auto index = static_cast<std::size_t>(date.DayOfWeek - 1);
                out += count == 3 ? names.ShortDayNames[index] : names.LongDayNames[index];
            } else if (count >= 5 && depth < 2) {
                // "ddddd" and longer stand for the whole short date.
                RenderPattern(names.ShortDatePattern, date, separator, out, depth + 1);
            }
            break;
        default:
            break;
    }
}

void RenderPattern(std::string_view pattern, const CalendarDate& date, char32_t separator,
                   std::string& out, int depth) {
    std::size_t i = 0;
    while (i < pattern.size()) {
        const char c = pattern[i];
        const char lower = (c >= 'A' && c <= 'Z') ? char(c + ('a' - 'A')) : c;
        if (lower == 'y' || lower == 'm' || lower == 'd') {
            const std::size_t count = RunLength(pattern, i);
            RenderField(lower, count, date, separator, out, depth);
            i += count;
        } else if (c == '/') {
            out += platform::EncodeUtf8(separator);
            ++i;
        } else if (c == '\'' || c == '"') {
            const std::size_t close = pattern.find(c, i + 1);
            const std::size_t end = close == std::string_view::npos ? pattern.size() : close;
            out.append(pattern.substr(i + 1, end - i - 1));
            i = end == pattern.size() ? end : end + 1;
        } else {
            out.push_back(c);
            ++i;
        }
    }
}

}  // namespace

DateNamingSettings& DateNaming() {
    static DateNamingSettings settings{Regional().ShortDatePattern, Regional().DateSeparator};
    return settings;
}

const std::string& RegionalDatePattern() {
    return Regional().ShortDatePattern;
}

void ResetDateNaming() {
    DateNaming() = DateNamingSettings{Regional().ShortDatePattern, Regional().DateSeparator};
}

const std::bitset<256>& ForbiddenNameChars() {
    static const std::bitset<256> set = [] {
        std::bitset<256> s;
        for (const unsigned char c : std::string_view("\"*/:<>?\\|")) {
            s.set(c);
        }
        return s;
    }();
    return set;
}

DateNamingSettings LayoutDateNaming(int layoutIndex, char32_t separatorChar,
                                    std::string_view otherPattern) {
    const bool known = layoutIndex >= 0 && layoutIndex < static_cast<int>(DateLayouts.size());
    return DateNamingSettings{
        std::string(known ? DateLayouts[static_cast<std::size_t>(layoutIndex)] : otherPattern),
        separatorChar};
}

char32_t ApplyDateNaming(int layoutIndex, char32_t separatorChar) {
    DateNamingSettings& settings = DateNaming();
    const char32_t previous = settings.Separator;
    settings = LayoutDateNaming(layoutIndex, separatorChar, settings.Pattern);
    return previous;
}

std::string RenderDate(DateTimeValue date, const DateNamingSettings& naming) {
    std::string out;
    RenderPattern(naming.Pattern, DecodeDate(date), naming.Separator, out, 0);
    return out;
}

std::string ComposeDateName(DateTimeValue date, std::string_view prefix, std::string_view suffix,
                            const DateNamingSettings& naming) {
    std::string name(prefix);
    name += RenderDate(date, naming);
    name += suffix;
    return name;
}

bool IsValidFileName(std::string_view name) {
    if (name.empty()) {
        return false;
    }
    // Names are UTF-8: every byte of a character above 127 is 128 or more,
    // and none of the forbidden characters is, so checking bytes is exact.
    const std::bitset<256>& forbidden = ForbiddenNameChars();
    for (const char c : name) {
        if (forbidden.test(static_cast<unsigned char>(c))) {
            return false;
        }
    }
    return true;
}

bool HoldsPathSeparator(std::string_view text) {
    for (const char c : text) {
        if (c == platform::kPathSeparator || c == '/' || c == '\0') {
            return true;
        }
    }
    return false;
}

bool IsPlainFileName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." && !HoldsPathSeparator(name);
}

}  // namespace quenby
