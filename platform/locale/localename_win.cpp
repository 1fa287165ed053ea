#include <windows.h>

#include "platform/locale/localename.h"

namespace quenby::platform {

UserLanguageSetting ReadUserLanguageSetting() {
    return {::GetUserDefaultLangID(), {}};
}

}  // namespace quenby::platform
