#include "platform/locale/regional.h"

#include "platform/text/utf8.h"

namespace quenby::platform {
namespace {

constexpr std::array<const char*, 12> kShortMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr std::array<const char*, 12> kLongMonths = {
    "January", "February", "March",     "April",   "May",      "June",
    "July",    "August",   "September", "October", "November", "December"};
constexpr std::array<const char*, 7> kShortDays = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr std::array<const char*, 7> kLongDays = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                  "Thursday", "Friday", "Saturday"};

bool IsLetter(char32_t c) {
    return (c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z');
}

// The system's date picture ("dd.MM.yyyy", "M/d/yyyy", "d' de 'MMMM") in
// the C library's notation, so that one translator serves both systems.
std::string PictureToStrftime(std::string_view picture) {
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
            const std::string_view literal = picture.substr(
                i + 1, end == std::string_view::npos ? std::string_view::npos : end - i - 1);
            for (const char l : literal) {
                format += l == '%' ? std::string("%%") : std::string(1, l);
            }
            i = end == std::string_view::npos ? picture.size() : end + 1;
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

RegionalDateFormat ConvertWindowsDatePicture(std::string_view picture) {
    return ConvertStrftimeDateFormat(PictureToStrftime(picture));
}

RegionalDateFormat ConvertStrftimeDateFormat(std::string_view format) {
    RegionalDateFormat result;
    for (std::size_t i = 0; i < 12; ++i) {
        result.ShortMonthNames[i] = kShortMonths[i];
        result.LongMonthNames[i] = kLongMonths[i];
    }
    for (std::size_t i = 0; i < 7; ++i) {
        result.ShortDayNames[i] = kShortDays[i];
        result.LongDayNames[i] = kLongDays[i];
    }

    // Expand the composite conversions first.
    std::string expanded;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size()) {
            const char conversion = format[i + 1];
            if (conversion == 'D') {
                expanded += "%m/%d/%y";
                ++i;
                continue;
            }
            if (conversion == 'F') {
                expanded += "%Y-%m-%d";
                ++i;
                continue;
            }
        }
        expanded.push_back(format[i]);
    }

    std::string pattern;
    bool haveSeparator = false;
    bool inQuote = false;
    const std::u32string characters = DecodeUtf8Lossless(expanded);
    for (std::size_t i = 0; i < characters.size(); ++i) {
        const char32_t c = characters[i];
        if (c == U'%' && i + 1 < characters.size()) {
            const char32_t conversion = characters[++i];
            // Flags and widths of the GNU extensions ("%-d", "%_m", "%0e").
            if ((conversion == U'-' || conversion == U'_' || conversion == U'0' ||
                 conversion == U'^' || conversion == U'#' || conversion == U'E' ||
                 conversion == U'O') &&
                i + 1 < characters.size()) {
                const char32_t next = characters[++i];
                const bool unpadded = conversion == U'-';
                if (next == U'd' || next == U'e') {
                    pattern += unpadded || next == U'e' ? "d" : "dd";
                } else if (next == U'm') {
                    pattern += unpadded ? "m" : "mm";
                } else if (next == U'y') {
                    pattern += "yy";
                } else if (next == U'Y') {
                    pattern += "yyyy";
                }
                continue;
            }
            if (inQuote) {
                pattern.push_back('\'');
                inQuote = false;
            }
            switch (conversion) {
                case U'd':
                    pattern += "dd";
                    break;
                case U'e':
                    pattern += "d";
                    break;
                case U'm':
                    pattern += "mm";
                    break;
                case U'y':
                    pattern += "yy";
                    break;
                case U'Y':
                case U'G':
                    pattern += "yyyy";
                    break;
                case U'b':
                case U'h':
                    pattern += "mmm";
                    break;
                case U'B':
                    pattern += "mmmm";
                    break;
                case U'a':
                    pattern += "ddd";
                    break;
                case U'A':
                    pattern += "dddd";
                    break;
                case U'%':
                    pattern += "'%'";
                    break;
                default:
                    break;  // no date field of ours: left out
            }
            continue;
        }
        if (!haveSeparator && !IsLetter(c) && !(c >= U'0' && c <= U'9') && c != U' ' &&
            c != U'\'' && c != U'"') {
            result.DateSeparator = c;
            haveSeparator = true;
        }
        if (haveSeparator && c == result.DateSeparator) {
            if (inQuote) {
                pattern.push_back('\'');
                inQuote = false;
            }
            pattern.push_back('/');
            continue;
        }
        // Letters and quotes would read as fields; everything else is literal.
        if (IsLetter(c) || c == U'\'' || c == U'"') {
            if (c == U'\'') {
                pattern += inQuote ? "'\"'\"'" : "\"'\"";
                continue;
            }
            if (!inQuote) {
                pattern.push_back('\'');
                inQuote = true;
            }
            pattern += EncodeUtf8(c);
            continue;
        }
        if (inQuote) {
            pattern.push_back('\'');
            inQuote = false;
        }
        pattern += EncodeUtf8(c);
    }
    if (inQuote) {
        pattern.push_back('\'');
    }
    if (!pattern.empty()) {
        result.ShortDatePattern = pattern;
    }
    return result;
}

}  // namespace quenby::platform
