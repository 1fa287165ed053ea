#pragma once

#include <string>

namespace quenby::platform {

// The user's regional number and currency settings. The two pattern numbers
// follow the Windows convention: CurrencyFormat 0 "$1", 1 "1$", 2 "$ 1",
// 3 "1 $"; NegCurrFormat 0 "($1)" to 15 "(1 $)".
struct NumberFormat {
    std::string DecimalSeparator = ".";
    std::string ThousandSeparator = ",";
    std::string CurrencyString = "$";
    int CurrencyFormat = 0;
    int NegCurrFormat = 0;
    int CurrencyDecimals = 2;
};

// Reads the settings of the user's locale (LC_ALL, LC_NUMERIC, LC_MONETARY,
// LANG) without changing the locale of the process.
NumberFormat ReadNumberFormat();

// The Windows pattern numbers for the C library's placement flags
// (cs_precedes, sep_by_space, sign_posn).
int CurrencyFormatFor(bool symbolPrecedes, bool spaceSeparated);
int NegativeCurrencyFormatFor(bool symbolPrecedes, bool spaceSeparated, int signPosition);

}  // namespace quenby::platform
