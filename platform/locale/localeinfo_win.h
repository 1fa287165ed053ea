#pragma once

#ifdef _WIN32

#include <string>

namespace quenby::platform {

// One text of the user's default locale (a LOCALE_* constant) as UTF-8;
// empty when the system has none.
std::string UserLocaleInfo(unsigned long type);

// One number of the user's default locale; `fallback` when it has none.
int UserLocaleNumber(unsigned long type, int fallback);

}  // namespace quenby::platform

#endif
