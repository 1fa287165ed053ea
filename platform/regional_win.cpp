#include <windows.h>

#include "platform/localeinfo_win.h"
#include "platform/regional.h"

namespace quenby::platform {
namespace {

// The system's date picture ("dd.MM.yyyy", "M/d/yyyy", "d' de 'MMMM") in
// the C library's notation, so that one translator serves both systems.
std::string PictureToStrftime(const std::string& picture) {
    std::string format;
    for (std::size_t i = 0; i < picture.size();) {
        const char c = picture[i];
        std::size_t run = 1;
        while (i + run < picture.size() && picture[i + run] == c) {
            ++run;
        }
        if (c == 'd') {
            format += run == 1 ? "%-d" : run == 2 ? "%d" : run == 3 ? "%a" : "%A";
        } else if (c == 'M') {
            format += run == 1 ? "%-m" : run == 2 ? "%m" : run == 3 ? "%b" : "%B";
        } else if (c == 'y') {
            format += run == 2 ? "%y" : "%Y";
        } else if (c == 'g') {
            // The era has no field of ours.
        } else if (c == '\'') {
            const std::size_t end = picture.find('\'', i + 1);
            const std::string literal =
                picture.substr(i + 1, end == std::string::npos ? std::string::npos : end - i - 1);
            for (const char l : literal) {
                format += l == '%' ? std::string("%%") : std::string(1, l);
            }
            i = end == std::string::npos ? picture.size() : end + 1;
            continue;
        } else {
            for (std::size_t k = 0; k < run; ++k) {
                format += c == '%' ? std::string("%%") : std::string(1, c);
            }
        }
        i += run;
    }
    return format;
}

}  // namespace

RegionalDateFormat ReadRegionalDateFormat() {
    const std::string picture = UserLocaleInfo(LOCALE_SSHORTDATE);
    RegionalDateFormat result =
        ConvertStrftimeDateFormat(picture.empty() ? "%m/%d/%y" : PictureToStrftime(picture));
    for (unsigned long i = 0; i < 12; ++i) {
        if (std::string name = UserLocaleInfo(LOCALE_SABBREVMONTHNAME1 + i); !name.empty()) {
            result.ShortMonthNames[i] = name;
        }
        if (std::string name = UserLocaleInfo(LOCALE_SMONTHNAME1 + i); !name.empty()) {
            result.LongMonthNames[i] = name;
        }
    }
    // The system counts from Monday (1) to Sunday (7); ours from Sunday.
    for (unsigned long i = 0; i < 7; ++i) {
        const std::size_t ours = (i + 1) % 7;
        if (std::string name = UserLocaleInfo(LOCALE_SABBREVDAYNAME1 + i); !name.empty()) {
            result.ShortDayNames[ours] = name;
        }
        if (std::string name = UserLocaleInfo(LOCALE_SDAYNAME1 + i); !name.empty()) {
            result.LongDayNames[ours] = name;
        }
    }
    return result;
}

}  // namespace quenby::platform
