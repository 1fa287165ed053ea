#include <cstdlib>

#include "platform/localename.h"

namespace quenby::platform {

std::string UserLocaleName() {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        // An empty variable counts as unset, as it does for the C library.
        if (value != nullptr && value[0] != '\0') {
            return value;
        }
    }
    return {};
}

}  // namespace quenby::platform
