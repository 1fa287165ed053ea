#pragma once

#include <string>

namespace quenby::platform {

// The name of the locale that decides the user's language: the first set of
// LC_ALL, LC_MESSAGES and LANG; empty when none is set.
std::string UserLocaleName();

}  // namespace quenby::platform
