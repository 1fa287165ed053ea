#pragma once

#include <cstdint>
#include <string>

namespace quenby::platform {

// The name of the locale that decides the user's language: the first set of
// LC_ALL, LC_MESSAGES and LANG; empty when none is set.
std::string UserLocaleName();

#ifdef _WIN32
// The language identifier of the user's default locale; its low ten bits
// name the primary language.
std::uint16_t UserDefaultLanguageId();
#endif

}  // namespace quenby::platform
