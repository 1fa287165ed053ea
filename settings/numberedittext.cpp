#include "settings/numberedittext.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

#include "settings/numbersettings.h"
#include "settings/numbertext.h"

namespace quenby {
namespace {

// A finite number as decimal digits: 0.Digits x 10^Exponent. No digits
// means zero.
struct Decimal {
    bool Negative = false;
    std::string Digits;
    int Exponent = 0;
};

void DropTrailingZeros(Decimal& d) {
    while (!d.Digits.empty() && d.Digits.back() == '0') {
        d.Digits.pop_back();
    }
    if (d.Digits.empty()) {
        d.Exponent = 0;
    }
}

// Rounding starts from the shortest text that reads back as the same double,
// so a typed 1.005 rounds to 1.01 as the user expects, not to 1.00 as its
// binary neighbour 1.00499999... would.
Decimal ToDecimal(double x) {
    Decimal d;
    d.Negative = std::signbit(x);
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, std::fabs(x), std::chars_format::scientific);
    const std::string_view text(buffer, static_cast<std::size_t>(result.ptr - buffer));
    const std::size_t e = text.find('e');
    for (std::size_t i = 0; i < e; ++i) {
        if (text[i] != '.') {
            d.Digits.push_back(text[i]);
        }
    }
    d.Exponent = std::atoi(std::string(text.substr(e + 1)).c_str()) + 1;
    DropTrailingZeros(d);
    return d;
}

// Half away from zero, keeping `keep` leading digits.
void RoundTo(Decimal& d, int keep) {
    if (static_cast<int>(d.Digits.size()) <= keep) {
        return;
    }
    if (keep < 0) {
        d.Digits.clear();
        DropTrailingZeros(d);
        return;
    }
    const bool up = d.Digits[static_cast<std::size_t>(keep)] >= '5';
    d.Digits.resize(static_cast<std::size_t>(keep));
    if (up) {
        int i = keep - 1;
        while (i >= 0 && d.Digits[static_cast<std::size_t>(i)] == '9') {
            d.Digits[static_cast<std::size_t>(i)] = '0';
            --i;
        }
        if (i < 0) {
            d.Digits.insert(d.Digits.begin(), '1');
            ++d.Exponent;
        } else {
            ++d.Digits[static_cast<std::size_t>(i)];
        }
    }
    DropTrailingZeros(d);
}

std::string ExponentText(int exponent, bool alwaysSign, int digits) {
    std::string out = "E";
    if (exponent < 0) {
        out += '-';
    } else if (alwaysSign) {
        out += '+';
    }
    std::string number = std::to_string(std::abs(exponent));
    // Above four digits the exponent is written as it is.
    if (digits <= 4 && static_cast<int>(number.size()) < digits) {
        number.insert(0, static_cast<std::size_t>(digits) - number.size(), '0');
    }
    return out + number;
}

std::string General(Decimal d, int precision, int digits, const std::string& decimal) {
    RoundTo(d, precision);
    if (d.Digits.empty()) {
        return "0";
    }
    std::string out = d.Negative ? "-" : "";
    const auto count = static_cast<int>(d.Digits.size());
    if (d.Exponent > precision || d.Exponent < -3) {
        out += d.Digits[0];
        if (count > 1) {
            out += decimal + d.Digits.substr(1);
        }
        return out + ExponentText(d.Exponent - 1, false, digits);
    }
    if (d.Exponent <= 0) {
        out += "0" + decimal;
        out.append(static_cast<std::size_t>(-d.Exponent), '0');
        return out + d.Digits;
    }
    if (count <= d.Exponent) {
        out += d.Digits;
        out.append(static_cast<std::size_t>(d.Exponent - count), '0');
        return out;
    }
    const auto integerDigits = static_cast<std::size_t>(d.Exponent);
    return out + d.Digits.substr(0, integerDigits) + decimal + d.Digits.substr(integerDigits);
}

std::string Exponent(Decimal d, int precision, int digits, const std::string& decimal) {
    RoundTo(d, precision);
    if (d.Digits.empty()) {
        d.Digits = "0";
        d.Exponent = 1;
        d.Negative = false;
    }
    d.Digits.resize(static_cast<std::size_t>(precision), '0');
    std::string out = d.Negative ? "-" : "";
    out += d.Digits[0];
    out += decimal + d.Digits.substr(1);
    return out + ExponentText(d.Exponent - 1, true, digits);
}

// The unsigned fixed text of an already rounded number.
std::string FixedDigits(const Decimal& d, int decimals, const std::string& decimal,
                        const std::string& thousands) {
    std::string integer;
    if (d.Exponent <= 0 || d.Digits.empty()) {
        integer = "0";
    } else {
        const auto integerDigits = static_cast<std::size_t>(d.Exponent);
        integer = d.Digits.substr(0, std::min(integerDigits, d.Digits.size()));
        integer.append(integerDigits - integer.size(), '0');
    }
    std::string out;
    for (std::size_t i = 0; i < integer.size(); ++i) {
        if (i > 0 && (integer.size() - i) % 3 == 0) {
            out += thousands;
        }
        out += integer[i];
    }
    if (decimals > 0) {
        out += decimal;
        for (int i = 0; i < decimals; ++i) {
            const int at = d.Exponent + i;
            out += at >= 0 && at < static_cast<int>(d.Digits.size())
                       ? d.Digits[static_cast<std::size_t>(at)]
                       : '0';
        }
    }
    return out;
}

// The locale's currency pattern: "$" stands for the symbol, "1" for the
// number.
std::string_view CurrencyPattern(bool negative, const platform::NumberFormat& settings) {
    static constexpr std::string_view kPositive[] = {"$1", "1$", "$ 1", "1 $"};
    static constexpr std::string_view kNegative[] = {
        "($1)", "-$1",  "$-1",  "$1-",  "(1$)", "-1$",  "1-$",   "1$-",
        "-1 $", "-$ 1", "1 $-", "$ 1-", "$ -1", "1- $", "($ 1)", "(1 $)"};
    if (negative) {
        const int index = settings.NegCurrFormat;
        return kNegative[index >= 0 && index < 16 ? index : 0];
    }
    const int index = settings.CurrencyFormat;
    return kPositive[index >= 0 && index < 4 ? index : 0];
}

std::string WithSymbol(std::string_view pattern, const std::string& symbol) {
    std::string out;
    for (const char c : pattern) {
        out += c == '$' ? symbol : std::string(1, c);
    }
    return out;
}

std::string CurrencyText(const std::string& number, bool negative,
                         const platform::NumberFormat& settings) {
    const std::string_view pattern = CurrencyPattern(negative, settings);
    const std::size_t at = pattern.find('1');
    return WithSymbol(pattern.substr(0, at), settings.CurrencyString) + number +
           WithSymbol(pattern.substr(at + 1), settings.CurrencyString);
}

}  // namespace

std::string FormatFloatValue(double x, TFloatFormat format, int precision, int digits,
                             const platform::NumberFormat& settings) {
    if (std::isnan(x)) {
        return "NAN";
    }
    if (std::isinf(x)) {
        return x < 0 ? "-INF" : "INF";
    }
    precision = std::clamp(precision, 2, 16);
    digits = std::max(digits, 0);
    const Decimal number = ToDecimal(x);
    const std::string& decimal = settings.DecimalSeparator;
    switch (format) {
        case ffGeneral:
            return General(number, precision, digits, decimal);
        case ffExponent:
            return Exponent(number, precision, digits, decimal);
        case ffFixed:
        case ffNumber:
        case ffCurrency:
            break;
    }
    const int decimals = std::min(digits, 16);
    Decimal rounded = number;
    RoundTo(rounded, std::min(precision, rounded.Exponent + decimals));
    if (!rounded.Digits.empty() && rounded.Exponent > precision) {
        return General(number, precision, digits, decimal);
    }
    const std::string thousands = format == ffFixed ? std::string() : settings.ThousandSeparator;
    const std::string text = FixedDigits(rounded, decimals, decimal, thousands);
    // A number that rounds to zero shows no sign.
    const bool negative = rounded.Negative && !rounded.Digits.empty();
    if (format == ffCurrency) {
        return CurrencyText(text, negative, settings);
    }
    return negative ? "-" + text : text;
}

double ParseFloatDef(std::string_view text, double defaultValue) {
    double value = 0;
    return TextToFloat(text, NumberSettings().DecimalSeparator, value) ? value : defaultValue;
}

bool ParseCurrencyText(std::string_view text, const platform::NumberFormat& settings,
                       double& value) {
    for (const bool negative : {false, true}) {
        const std::string_view pattern = CurrencyPattern(negative, settings);
        const std::size_t at = pattern.find('1');
        const std::string before = WithSymbol(pattern.substr(0, at), settings.CurrencyString);
        const std::string after = WithSymbol(pattern.substr(at + 1), settings.CurrencyString);
        if (text.size() <= before.size() + after.size() || !text.starts_with(before) ||
            !text.ends_with(after)) {
            continue;
        }
        std::string number(text.substr(before.size(), text.size() - before.size() - after.size()));
        const std::string& thousands = settings.ThousandSeparator;
        for (std::size_t found = 0;
             !thousands.empty() && (found = number.find(thousands, found)) != std::string::npos;) {
            number.erase(found, thousands.size());
        }
        // The sign belongs to the pattern, never to the number inside it.
        double magnitude = 0;
        if (!number.empty() && number[0] >= '0' && number[0] <= '9' &&
            TextToFloat(number, settings.DecimalSeparator, magnitude)) {
            value = negative ? -magnitude : magnitude;
            return true;
        }
    }
    return false;
}

bool TruncateToInt32(double value, std::int32_t& result) {
    constexpr double kLimit = 9223372036854775808.0;  // 2^63
    if (!(std::fabs(value) < kLimit)) {
        return false;
    }
    const auto whole = static_cast<std::int64_t>(value);
    result =
        static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(whole)));
    return true;
}

std::u16string FilterNumberText(std::u16string_view text, char16_t decimalSeparator,
                                char16_t thousandSeparator, int digits) {
    const std::size_t last = text.rfind(decimalSeparator);
    if (digits > 0 && last != std::u16string_view::npos &&
        last + 1 + static_cast<std::size_t>(digits) < text.size()) {
        text = text.substr(0, last + 1 + static_cast<std::size_t>(digits));
    }
    std::u16string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        const bool keep = c == decimalSeparator
                              ? i == last
                              : c == u'-' || (c >= u'0' && c <= u'9') ||
                                    (thousandSeparator != 0 && c == thousandSeparator);
        if (keep) {
            out.push_back(c);
        }
    }
    return out;
}

int TextLeftEdge(TAlignment alignment, int clientWidth, int textWidth, int leftMargin) {
    switch (alignment) {
        case taRightJustify:
            return clientWidth - textWidth - leftMargin - 1;
        case taCenter:
            return (clientWidth - textWidth) / 2;
        case taLeftJustify:
            break;
    }
    return leftMargin;
}

}  // namespace quenby
