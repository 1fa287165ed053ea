#include <cstdlib>

#include "platform/locale/localename.h"

namespace quenby::platform {

UserLanguageSetting ReadUserLanguageSetting() {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        // An empty variable counts as unset, as it does for the C library.
        if (value != nullptr && value[0] != '\0') {
            return {std::nullopt, value};
        }
    }
    return {};
}

}  // namespace quenby::platform
