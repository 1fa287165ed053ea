#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quenby {

// A 32-bit integer in decimal ("+"/"-" allowed) or in hexadecimal after "$",
// "x", "X", "0x" or "0X"; blanks may lead, nothing may follow. Hexadecimal
// covers all 32 bits, so "$FFFFFFFF" is -1. False for anything else,
// including a value out of range.
bool TextToInteger(std::string_view text, std::int32_t& value);

// A decimal number with `decimalSeparator` and an optional exponent; blanks
// may lead and follow. False when the text is no such number.
bool TextToFloat(std::string_view text, const std::string& decimalSeparator, double& value);

// The general number format: 15 significant digits, trailing zeros removed,
// no grouping; scientific ("1,5E-7") for more than 15 integer digits or a
// magnitude below 0.0001.
std::string FloatToText(double value, const std::string& decimalSeparator);

}  // namespace quenby
