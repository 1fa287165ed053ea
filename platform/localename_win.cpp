#include <windows.h>

#include "platform/localename.h"
#include "platform/widetext.h"

namespace quenby::platform {

std::string UserLocaleName() {
    wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
    const int length = ::GetUserDefaultLocaleName(name, LOCALE_NAME_MAX_LENGTH);
    return length > 1 ? FromWide(std::wstring_view(name, static_cast<std::size_t>(length - 1)))
                      : std::string();
}

std::uint16_t UserDefaultLanguageId() {
    return ::GetUserDefaultLangID();
}

}  // namespace quenby::platform
