#include <langinfo.h>
#include <locale.h>

#include <cstring>

#include "platform/locale/regional.h"

namespace quenby::platform {

RegionalDateFormat ReadRegionalDateFormat() {
    // A locale object of our own: the process-wide locale stays "C", so no
    // other code sees a changed decimal point or date format.
    locale_t locale = ::newlocale(LC_ALL_MASK, "", static_cast<locale_t>(nullptr));
    if (locale == static_cast<locale_t>(nullptr)) {
        locale = ::newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    }
    if (locale == static_cast<locale_t>(nullptr)) {
        return ConvertStrftimeDateFormat("%m/%d/%y");
    }
    RegionalDateFormat result = ConvertStrftimeDateFormat(::nl_langinfo_l(D_FMT, locale));
    // The names are taken from the locale only when it speaks UTF-8, the
    // program's own text encoding; otherwise the English names stand.
    const char* codeset = ::nl_langinfo_l(CODESET, locale);
    if (codeset != nullptr && (std::strcmp(codeset, "UTF-8") == 0)) {
        for (int i = 0; i < 12; ++i) {
            result.ShortMonthNames[static_cast<std::size_t>(i)] =
                ::nl_langinfo_l(ABMON_1 + i, locale);
            result.LongMonthNames[static_cast<std::size_t>(i)] = ::nl_langinfo_l(MON_1 + i, locale);
        }
        for (int i = 0; i < 7; ++i) {
            result.ShortDayNames[static_cast<std::size_t>(i)] =
                ::nl_langinfo_l(ABDAY_1 + i, locale);
            result.LongDayNames[static_cast<std::size_t>(i)] = ::nl_langinfo_l(DAY_1 + i, locale);
        }
    }
    ::freelocale(locale);
    return result;
}

}  // namespace quenby::platform
