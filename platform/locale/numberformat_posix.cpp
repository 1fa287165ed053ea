#include <locale.h>

#include <climits>

#include "platform/locale/numberformat.h"

namespace quenby::platform {

NumberFormat ReadNumberFormat() {
    NumberFormat result;
    locale_t locale = ::newlocale(LC_ALL_MASK, "", static_cast<locale_t>(nullptr));
    if (locale == static_cast<locale_t>(nullptr)) {
        return result;
    }
    // Switch only this thread, just long enough to copy the values: the
    // process-wide locale stays "C" for every other piece of code.
    const locale_t previous = ::uselocale(locale);
    const lconv* conventions = ::localeconv();
    if (conventions->decimal_point != nullptr && conventions->decimal_point[0] != '\0') {
        result.DecimalSeparator = conventions->decimal_point;
    }
    if (conventions->thousands_sep != nullptr) {
        result.ThousandSeparator = conventions->thousands_sep;
    }
    if (conventions->currency_symbol != nullptr && conventions->currency_symbol[0] != '\0') {
        result.CurrencyString = conventions->currency_symbol;
    }
    if (conventions->p_cs_precedes != CHAR_MAX) {
        result.CurrencyFormat =
            CurrencyFormatFor(conventions->p_cs_precedes != 0, conventions->p_sep_by_space == 1);
    }
    if (conventions->n_cs_precedes != CHAR_MAX) {
        result.NegCurrFormat =
            NegativeCurrencyFormatFor(conventions->n_cs_precedes != 0,
                                      conventions->n_sep_by_space == 1, conventions->n_sign_posn);
    }
    if (conventions->frac_digits != CHAR_MAX) {
        result.CurrencyDecimals = conventions->frac_digits;
    }
    ::uselocale(previous);
    ::freelocale(locale);
    return result;
}

}  // namespace quenby::platform
