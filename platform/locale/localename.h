#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace quenby::platform {

// What decides the user's language. Windows names it by the language
// identifier of the user's default locale (its low ten bits are the primary
// language); other systems by the name of a locale.
struct UserLanguageSetting {
    std::optional<std::uint16_t> LanguageId;
    // The first set of LC_ALL, LC_MESSAGES and LANG; empty when none is set.
    std::string LocaleName;
};

UserLanguageSetting ReadUserLanguageSetting();

}  // namespace quenby::platform
