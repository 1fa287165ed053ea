#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/locale/numberformat.h"

// The numeric edit's number rules, free of any widget so that they are
// tested on their own: writing a number in one of the float formats, reading
// it back, the character filter and the painted text's position.

namespace quenby {

enum TAlignment : std::uint8_t { taLeftJustify = 0, taRightJustify = 1, taCenter = 2 };

enum TFloatFormat : std::uint8_t {
    ffGeneral = 0,
    ffExponent = 1,
    ffFixed = 2,
    ffNumber = 3,
    ffCurrency = 4
};

// German names of the day before yesterday to the day after tomorrow. They
// belong to the numeric edit's rules as designed; no window shows them.
inline constexpr std::array<std::string_view, 5> kRelativeDayNames = {"vorgestern", "gestern",
                                                                      "heute", "morgen",
                                                                      "\xC3\xBC"
                                                                      "bermorgen"};

// Writes x with `precision` significant digits (clamped to 2..16) and
// `digits` decimals or exponent digits, using the separators, currency
// symbol and currency patterns of `settings`.
std::string FormatFloatValue(double x, TFloatFormat format, int precision, int digits,
                             const platform::NumberFormat& settings);

// Reads a number written with the process-wide decimal separator: blanks,
// an optional sign, digits with an optional decimal part, an optional
// exponent, blanks. Anything else, or a value beyond a double, gives
// `defaultValue`.
double ParseFloatDef(std::string_view text, double defaultValue);

// Reads a text in the currency form that FormatFloatValue writes with
// `settings` (symbol, blanks, parentheses or sign around the number), so
// that a currency text still shows its number. False for any other text.
bool ParseCurrencyText(std::string_view text, const platform::NumberFormat& settings,
                       double& value);

// The low 32 bits, read as a signed number, of `value` truncated toward
// zero to 64 bits. False for a magnitude of 2^63 or more and for NaN.
bool TruncateToInt32(double value, std::int32_t& result);

// Keeps a number's characters: digits, "-", the thousands separator (0: none)
// and only the last decimal separator, with at most `digits` characters
// behind that one when `digits` > 0. The cut comes before the filter, so
// characters it removes later still count toward the limit.
std::u16string FilterNumberText(std::u16string_view text, char16_t decimalSeparator,
                                char16_t thousandSeparator, int digits);

// Where a self-painted text of width `textWidth` starts in a client area of
// width `clientWidth`.
int TextLeftEdge(TAlignment alignment, int clientWidth, int textWidth, int leftMargin);

}  // namespace quenby
