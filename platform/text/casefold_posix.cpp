#include <locale.h>
#include <wctype.h>

#include "platform/text/casefold.h"

namespace quenby::platform {
namespace {

// The C library's case tables are locale data; C.UTF-8 carries the full
// Unicode mappings whatever locale the user runs in.
locale_t UnicodeLocale() {
    static const locale_t locale = [] {
        locale_t l = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
        if (l == static_cast<locale_t>(nullptr)) {
            l = ::newlocale(LC_CTYPE_MASK, "C.utf8", static_cast<locale_t>(nullptr));
        }
        return l;
    }();
    return locale;
}

}  // namespace

char32_t SimpleCaseFold(char32_t c) {
    if (c < 0x80) {
        return (c >= U'A' && c <= U'Z') ? c + (U'a' - U'A') : c;
    }
    // The Turkish dotted and dotless i have no simple folding; lower-casing
    // them would make them equal to the plain i.
    if (c == 0x130 || c == 0x131) {
        return c;
    }
    const locale_t locale = UnicodeLocale();
    if (locale == static_cast<locale_t>(nullptr) || c > 0x10FFFF) {
        return c;
    }
    // Upper first, then lower: this also unites final sigma, the long s, the
    // Kelvin sign and title-case digraphs with their plain lower-case forms.
    const wint_t upper = ::towupper_l(static_cast<wint_t>(c), locale);
    return static_cast<char32_t>(::towlower_l(upper, locale));
}

}  // namespace quenby::platform
