#include "platform/locale/localeinfo_win.h"

#include <windows.h>

#include "platform/text/widetext.h"

namespace quenby::platform {

std::string UserLocaleInfo(unsigned long type) {
    wchar_t buffer[256] = {};
    const int length = ::GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, type, buffer, 256);
    return length > 1 ? FromWide(std::wstring_view(buffer, static_cast<std::size_t>(length - 1)))
                      : std::string();
}

int UserLocaleNumber(unsigned long type, int fallback) {
    DWORD value = 0;
    const int length =
        ::GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, type | LOCALE_RETURN_NUMBER,
                          reinterpret_cast<wchar_t*>(&value), sizeof value / sizeof(wchar_t));
    return length > 0 ? static_cast<int>(value) : fallback;
}

}  // namespace quenby::platform
