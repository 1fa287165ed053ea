#include <windows.h>

#include "platform/locale/localeinfo_win.h"
#include "platform/locale/regional.h"

namespace quenby::platform {

RegionalDateFormat ReadRegionalDateFormat() {
    const std::string picture = UserLocaleInfo(LOCALE_SSHORTDATE);
    RegionalDateFormat result = picture.empty() ? ConvertStrftimeDateFormat("%m/%d/%y")
                                                : ConvertWindowsDatePicture(picture);
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
