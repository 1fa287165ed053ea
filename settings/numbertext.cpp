#include "settings/numbertext.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace quenby {
namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

int HexDigit(char c) {
    if (IsDigit(c)) {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

}  // namespace

bool TextToInteger(std::string_view text, std::int32_t& value) {
    std::size_t at = 0;
    while (at < text.size() && text[at] == ' ') {
        ++at;
    }
    text.remove_prefix(at);
    std::size_t hexStart = 0;
    if (!text.empty() && (text[0] == '$' || text[0] == 'x' || text[0] == 'X')) {
        hexStart = 1;
    } else if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        hexStart = 2;
    }
    if (hexStart != 0) {
        text.remove_prefix(hexStart);
        if (text.empty()) {
            return false;
        }
        std::uint64_t result = 0;
        for (const char c : text) {
            const int digit = HexDigit(c);
            if (digit < 0) {
                return false;
            }
            result = result * 16 + static_cast<std::uint64_t>(digit);
            if (result > 0xFFFFFFFFu) {
                return false;
            }
        }
        value = static_cast<std::int32_t>(static_cast<std::uint32_t>(result));
        return true;
    }
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) {
        return false;
    }
    std::int64_t result = 0;
    for (const char c : text) {
        if (!IsDigit(c)) {
            return false;
        }
        result = result * 10 + (c - '0');
        if (result > std::int64_t{1} << 31) {
            return false;
        }
    }
    result = negative ? -result : result;
    if (result > std::numeric_limits<std::int32_t>::max()) {
        return false;
    }
    value = static_cast<std::int32_t>(result);
    return true;
}

bool TextToFloat(std::string_view text, const std::string& decimalSeparator, double& value) {
    while (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
    }
    while (!text.empty() && text.back() == ' ') {
        text.remove_suffix(1);
    }
    // Rebuilt in the C form, so that the conversion needs no locale.
    std::string plain;
    std::size_t at = 0;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        plain.push_back(text[at++]);
    }
    bool digits = false;
    while (at < text.size() && IsDigit(text[at])) {
        plain.push_back(text[at++]);
        digits = true;
    }
    if (!decimalSeparator.empty() && text.substr(at, decimalSeparator.size()) == decimalSeparator) {
        at += decimalSeparator.size();
        plain.push_back('.');
        while (at < text.size() && IsDigit(text[at])) {
            plain.push_back(text[at++]);
            digits = true;
        }
    }
    if (!digits) {
        return false;
    }
    if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
        plain.push_back('e');
        ++at;
        if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
            plain.push_back(text[at++]);
        }
        bool exponentDigits = false;
        while (at < text.size() && IsDigit(text[at])) {
            plain.push_back(text[at++]);
            exponentDigits = true;
        }
        if (!exponentDigits) {
            return false;
        }
    }
    if (at != text.size()) {
        return false;
    }
    const char* begin = plain.data();
    if (*begin == '+') {
        ++begin;  // from_chars takes no plus sign
    }
    double result = 0;
    const auto [end, error] = std::from_chars(begin, plain.data() + plain.size(), result);
    if (error != std::errc() || end != plain.data() + plain.size() || !std::isfinite(result)) {
        return false;
    }
    value = result;
    return true;
}

std::string FloatToText(double value, const std::string& decimalSeparator) {
    if (std::isnan(value)) {
        return "NAN";
    }
    if (std::isinf(value)) {
        return value < 0 ? "-INF" : "INF";
    }
    if (value == 0) {
        return "0";
    }
    // 15 significant digits, correctly rounded, independent of any locale.
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 14);
    const std::string_view text(buffer, static_cast<std::size_t>(result.ptr - buffer));
    const bool negative = text[0] == '-';
    const std::size_t mantissaStart = negative ? 1 : 0;
    const std::size_t e = text.find('e');
    std::string digits;
    for (std::size_t i = mantissaStart; i < e; ++i) {
        if (IsDigit(text[i])) {
            digits.push_back(text[i]);
        }
    }
    while (digits.size() > 1 && digits.back() == '0') {
        digits.pop_back();
    }
    const int exponent = std::atoi(std::string(text.substr(e + 1)).c_str());

    std::string out = negative ? "-" : "";
    if (exponent >= 15 || exponent < -4) {
        out.push_back(digits[0]);
        if (digits.size() > 1) {
            out += decimalSeparator;
            out += digits.substr(1);
        }
        out += "E" + std::to_string(exponent);
        return out;
    }
    if (exponent < 0) {
        out += "0" + decimalSeparator;
        out.append(static_cast<std::size_t>(-exponent - 1), '0');
        out += digits;
        return out;
    }
    const auto integerDigits = static_cast<std::size_t>(exponent) + 1;
    if (digits.size() <= integerDigits) {
        out += digits;
        out.append(integerDigits - digits.size(), '0');
        return out;
    }
    out += digits.substr(0, integerDigits);
    out += decimalSeparator;
    out += digits.substr(integerDigits);
    return out;
}

}  // namespace quenby
