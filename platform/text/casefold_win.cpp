#include <windows.h>

#include "platform/text/casefold.h"

namespace quenby::platform {
namespace {

// Maps one character with the invariant locale's case tables; a mapping
// that changes the character's length is not a simple folding and is ignored.
char32_t MapCase(char32_t c, DWORD flags) {
    wchar_t in[2];
    int length = 1;
    if (c >= 0x10000) {
        in[0] = static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
        in[1] = static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        length = 2;
    } else {
        in[0] = static_cast<wchar_t>(c);
    }
    wchar_t out[4] = {};
    const int got =
        ::LCMapStringEx(LOCALE_NAME_INVARIANT, flags, in, length, out, 4, nullptr, nullptr, 0);
    if (got != length) {
        return c;
    }
    if (length == 2) {
        if (out[0] < 0xD800 || out[0] > 0xDBFF || out[1] < 0xDC00 || out[1] > 0xDFFF) {
            return c;
        }
        return 0x10000 + ((static_cast<char32_t>(out[0]) - 0xD800) << 10) +
               (static_cast<char32_t>(out[1]) - 0xDC00);
    }
    return static_cast<char32_t>(out[0]);
}

}  // namespace

char32_t SimpleCaseFold(char32_t c) {
    if (c < 0x80) {
        return (c >= U'A' && c <= U'Z') ? c + (U'a' - U'A') : c;
    }
    // The Turkish dotted and dotless i have no simple folding; lower-casing
    // them would make them equal to the plain i.
    if (c == 0x130 || c == 0x131 || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        return c;
    }
    // Upper first, then lower, as on the other systems: final sigma, the
    // Kelvin sign and their kind meet their plain lower-case forms.
    return MapCase(MapCase(c, LCMAP_UPPERCASE), LCMAP_LOWERCASE);
}

}  // namespace quenby::platform
