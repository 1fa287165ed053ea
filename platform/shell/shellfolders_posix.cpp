#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

#include "platform/shell/shellfolders.h"

namespace quenby::platform {
namespace {

// The folder numbers this system has an equivalent for.
constexpr int kDesktop = 0;
constexpr int kPrograms = 2;
constexpr int kPersonal = 5;
constexpr int kStartup = 7;
constexpr int kStartMenu = 11;
constexpr int kMyMusic = 13;
constexpr int kMyVideo = 14;
constexpr int kDesktopDirectory = 16;
constexpr int kFonts = 20;
constexpr int kAppData = 26;
constexpr int kLocalAppData = 28;
constexpr int kInternetCache = 32;
constexpr int kMyPictures = 39;
constexpr int kProfile = 40;

// XDG variables must hold absolute paths; a relative one is to be ignored.
std::string AbsoluteVariable(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || value[0] != '/') {
        return {};
    }
    return value;
}

std::string HomeFolder() {
    std::string home = AbsoluteVariable("HOME");
    if (!home.empty()) {
        return home;
    }
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && found->pw_dir != nullptr && found->pw_dir[0] == '/') {
        return found->pw_dir;
    }
    return {};
}

std::string BaseFolder(const char* variable, const char* fallbackBelowHome) {
    std::string folder = AbsoluteVariable(variable);
    if (!folder.empty()) {
        return folder;
    }
    const std::string home = HomeFolder();
    return home.empty() ? std::string() : home + "/" + fallbackBelowHome;
}

// A folder the user-dirs file does not name (or the file is missing, as on
// many accounts without a desktop session) is the one xdg-user-dir gives:
// ~/Desktop for the desktop, the home folder for every other.
std::string UserDir(const char* key) {
    const std::string home = HomeFolder();
    const std::string config = BaseFolder("XDG_CONFIG_HOME", ".config");
    if (!config.empty()) {
        std::ifstream in(config + "/user-dirs.dirs", std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
        const auto dirs = ParseUserDirs(text, home);
        if (const auto it = dirs.find(key); it != dirs.end()) {
            return it->second;
        }
    }
    if (home.empty()) {
        return {};
    }
    return std::string_view(key) == "XDG_DESKTOP_DIR" ? home + "/Desktop" : home;
}

}  // namespace

std::string ShellFolderPath(int csidl) {
    switch (csidl) {
        case kAppData:
            return BaseFolder("XDG_CONFIG_HOME", ".config");
        // Data that grows and need not follow the user: the XDG data folder.
        case kLocalAppData:
            return BaseFolder("XDG_DATA_HOME", ".local/share");
        case kPersonal:
            return UserDir("XDG_DOCUMENTS_DIR");
        case kDesktop:
        case kDesktopDirectory:
            return UserDir("XDG_DESKTOP_DIR");
        case kMyPictures:
            return UserDir("XDG_PICTURES_DIR");
        case kMyMusic:
            return UserDir("XDG_MUSIC_DIR");
        case kMyVideo:
            return UserDir("XDG_VIDEOS_DIR");
        case kProfile:
            return HomeFolder();
        // Menus here have no folder of their own above the programs.
        case kStartMenu:
        case kPrograms: {
            const std::string data = BaseFolder("XDG_DATA_HOME", ".local/share");
            return data.empty() ? data : data + "/applications";
        }
        case kStartup: {
            const std::string config = BaseFolder("XDG_CONFIG_HOME", ".config");
            return config.empty() ? config : config + "/autostart";
        }
        case kFonts: {
            const std::string data = BaseFolder("XDG_DATA_HOME", ".local/share");
            return data.empty() ? data : data + "/fonts";
        }
        case kInternetCache:
            return BaseFolder("XDG_CACHE_HOME", ".cache");
        default:
            return {};
    }
}

bool TempFolderPath(std::string& path, int& errorCode) {
    const char* value = std::getenv("TMPDIR");
    path = value != nullptr && value[0] != '\0' ? value : "/tmp";
    errorCode = 0;
    return true;
}

std::string SystemErrorText(int errorCode) {
    return std::strerror(errorCode);
}

}  // namespace quenby::platform
