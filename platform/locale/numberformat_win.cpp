#include <windows.h>

#include "platform/locale/localeinfo_win.h"
#include "platform/locale/numberformat.h"

namespace quenby::platform {

NumberFormat ReadNumberFormat() {
    NumberFormat result;
    // The Windows pattern numbers are the ones this structure is written in,
    // so they are taken as they are.
    if (std::string decimal = UserLocaleInfo(LOCALE_SDECIMAL); !decimal.empty()) {
        result.DecimalSeparator = decimal;
    }
    result.ThousandSeparator = UserLocaleInfo(LOCALE_STHOUSAND);
    if (std::string currency = UserLocaleInfo(LOCALE_SCURRENCY); !currency.empty()) {
        result.CurrencyString = currency;
    }
    result.CurrencyFormat = UserLocaleNumber(LOCALE_ICURRENCY, result.CurrencyFormat);
    result.NegCurrFormat = UserLocaleNumber(LOCALE_INEGCURR, result.NegCurrFormat);
    result.CurrencyDecimals = UserLocaleNumber(LOCALE_ICURRDIGITS, result.CurrencyDecimals);
    return result;
}

}  // namespace quenby::platform
