#include "system/installer.h"

#include "platform/locale/localename.h"
#include "platform/process/executable.h"
#include "platform/process/versioninfo.h"

namespace quenby {
namespace {

struct VersionQuadruple {
    std::int32_t Major = 1;
    std::int32_t Minor = 0;
    std::int32_t Release = 0;
    std::int32_t Build = 0;
};

bool ReadVersion(const std::string& path, VersionQuadruple& version) {
    platform::FileVersionWords words;
    switch (platform::ReadFileVersion(path, words)) {
        case platform::VersionInfoStatus::Missing:
            return false;
        case platform::VersionInfoStatus::RecordUnreadable:
            version = VersionQuadruple{};
            return true;
        case platform::VersionInfoStatus::Found:
            version.Major = static_cast<std::int32_t>(words.MostSignificant >> 16);
            version.Minor = static_cast<std::int32_t>(words.MostSignificant & 0xFFFF);
            version.Release = static_cast<std::int32_t>(words.LeastSignificant >> 16);
            version.Build = static_cast<std::int32_t>(words.LeastSignificant & 0xFFFF);
            return true;
    }
    return false;
}

}  // namespace

bool GetVersionString(std::string& text) {
    return GetVersionString(text, platform::ExecutablePath());
}

bool GetVersionString(std::string& text, const std::string& executablePath) {
    VersionQuadruple version;
    if (!ReadVersion(executablePath, version)) {
        return false;
    }
    text = std::to_string(version.Major) + "." + std::to_string(version.Minor) + "." +
           std::to_string(version.Release) + " Build: " + std::to_string(version.Build);
    return true;
}

bool GetVersionNumber(double& number) {
    return GetVersionNumber(number, platform::ExecutablePath());
}

bool GetVersionNumber(double& number, const std::string& executablePath) {
    VersionQuadruple version;
    if (!ReadVersion(executablePath, version)) {
        return false;
    }
    number = static_cast<double>(version.Major) + static_cast<double>(version.Minor) / 100.0;
    return true;
}

TUserLanguage GetUserLanguage() {
    const platform::UserLanguageSetting setting = platform::ReadUserLanguageSetting();
    return setting.LanguageId ? UserLanguageFromLanguageId(*setting.LanguageId)
                              : UserLanguageFromLocaleName(setting.LocaleName);
}

TUserLanguage UserLanguageFromLanguageId(std::uint16_t languageId) {
    constexpr std::uint16_t kGerman = 0x07;
    constexpr std::uint16_t kEnglish = 0x09;
    switch (languageId & 0x3FF) {
        case kGerman:
            return ulGerman;
        case kEnglish:
            return ulEnglish;
        default:
            return ulOther;
    }
}

TUserLanguage UserLanguageFromLocaleName(std::string_view localeName) {
    if (localeName.substr(0, 2) == "de") {
        return ulGerman;
    }
    if (localeName.substr(0, 2) == "en") {
        return ulEnglish;
    }
    return ulOther;
}

}  // namespace quenby
