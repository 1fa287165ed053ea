#pragma once

#include <array>
#include <string>
#include <string_view>

namespace quenby::platform {

// The user's regional date settings, with the short-date pattern written in
// the program's own pattern language: d, dd, ddd, dddd, m, mm, mmm, mmmm, yy,
// yyyy, "/" for the date separator, and text in quotes taken literally.
struct RegionalDateFormat {
    std::string ShortDatePattern = "mm/dd/yy";
    char32_t DateSeparator = U'/';
    std::array<std::string, 12> ShortMonthNames;
    std::array<std::string, 12> LongMonthNames;
    std::array<std::string, 7> ShortDayNames;  // Sunday first
    std::array<std::string, 7> LongDayNames;
};

// Reads the settings of the user's locale (the environment's LC_ALL,
// LC_TIME, LANG) without changing the locale of the process.
RegionalDateFormat ReadRegionalDateFormat();

// Translates a C library date format (such as "%d.%m.%Y") into the
// program's pattern language; the first separator between fields becomes the
// date separator and stands as "/" in the pattern.
RegionalDateFormat ConvertStrftimeDateFormat(std::string_view format);

// The same for a Windows date picture (LOCALE_SSHORTDATE: d, dd, ddd, dddd,
// M, MM, MMM, MMMM, y, yy, yyyy, gg, text in single quotes).
RegionalDateFormat ConvertWindowsDatePicture(std::string_view picture);

}  // namespace quenby::platform
