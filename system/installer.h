#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quenby {

// Callers test only for zero: ulGerman selects German texts, every other
// value English.
enum TUserLanguage : std::uint8_t { ulGerman = 0, ulEnglish = 1, ulOther = 2 };

// The file version of the running executable (or of the given file) as
// "major.minor.release Build: build". False, with `text` untouched, when the
// file carries no version information; version information whose record
// cannot be read gives 1.0.0 Build: 0.
bool GetVersionString(std::string& text);
bool GetVersionString(std::string& text, const std::string& executablePath);

// The same version as major + minor / 100, the form the update service
// publishes. False, with `number` untouched, as above.
bool GetVersionNumber(double& number);
bool GetVersionNumber(double& number, const std::string& executablePath);

// The user's language, from the locale that names it.
TUserLanguage GetUserLanguage();
TUserLanguage UserLanguageFromLocaleName(std::string_view localeName);
// From a Windows language identifier: only its primary language (the low ten
// bits) counts, so every German-speaking country is German.
TUserLanguage UserLanguageFromLanguageId(std::uint16_t languageId);

}  // namespace quenby
