#include "settings/appfolders.h"

#include "platform/executable.h"
#include "platform/fileops.h"
#include "platform/folderexists.h"
#include "platform/pathsep.h"
#include "platform/shellfolders.h"
#include "resources/stringtable.h"
#include "settings/errors.h"

namespace quenby {
namespace {

using platform::kPathSeparator;
using platform::WithTrailingSeparator;

// Where a path's folder part ends. Windows also ends a drive name with ":";
// elsewhere ":" is an ordinary character of a name.
bool IsDelimiter(char c) {
#ifdef _WIN32
    return c == kPathSeparator || c == ':';
#else
    return c == kPathSeparator;
#endif
}

std::size_t LastDelimiter(const std::string& path) {
    for (std::size_t i = path.size(); i > 0; --i) {
        if (IsDelimiter(path[i - 1])) {
            return i - 1;
        }
    }
    return std::string::npos;
}

// The folder part of a path: up to and including its last delimiter.
std::string FolderPart(const std::string& path) {
    const std::size_t at = LastDelimiter(path);
    return at == std::string::npos ? std::string() : path.substr(0, at + 1);
}

ApplicationFolders& Values() {
    static ApplicationFolders values;
    return values;
}

}  // namespace

std::string GetSpecialFolder(int csidl) {
    const std::string path = platform::ShellFolderPath(csidl);
    return path.empty() ? path : WithTrailingSeparator(path);
}

std::string OSErrorText(int code) {
    if (code == 0) {
        return "Ein Aufruf einer Betriebssystemfunktion ist fehlgeschlagen";
    }
    return FormatText("Systemfehler.  Code: %d.\r\n%s",
                      {std::int64_t{code}, platform::SystemErrorText(code)});
}

std::string GetTempFolder() {
    std::string path;
    int code = 0;
    if (!platform::TempFolderPath(path, code)) {
        throw OSError(code, OSErrorText(code));
    }
    return WithTrailingSeparator(path);
}

bool ForceFolders(const std::string& path) {
    if (path.empty()) {
        throw FolderCreateError("Verzeichnis kann nicht erstellt werden");
    }
    std::string folder = path;
    if (folder.back() == kPathSeparator) {
        folder.pop_back();
    }
#ifdef _WIN32
    // "C:" and the like: a drive is never created.
    const bool tooShort = folder.size() < 3;
#else
    // Only the root ("/" without its separator) has nothing to create.
    const bool tooShort = folder.empty();
#endif
    const std::string parent = FolderPart(folder);
    if (tooShort || platform::FolderExists(folder) || parent == folder) {
        return true;
    }
    return ForceFolders(parent) && platform::CreateFolder(folder);
}

std::string ExecutableFileName(const std::string& executablePath) {
    const std::size_t at = LastDelimiter(executablePath);
    return at == std::string::npos ? executablePath : executablePath.substr(at + 1);
}

std::string ChangeFileExt(const std::string& name, const std::string& extension) {
    std::size_t at = std::string::npos;
    for (std::size_t i = name.size(); i > 0; --i) {
        if (name[i - 1] == '.' || IsDelimiter(name[i - 1])) {
            at = i - 1;
            break;
        }
    }
    if (at != std::string::npos && name[at] == '.') {
        return name.substr(0, at) + extension;
    }
    return name + extension;
}

std::string ExecutableBaseName(const std::string& executablePath) {
#ifdef _WIN32
    return ExecutableFileName(ChangeFileExt(executablePath, ""));
#else
    // Executables here carry no extension: "quenby.v2" is a name of its own
    // and must not share the settings of "quenby".
    return ExecutableFileName(executablePath);
#endif
}

std::string SettingsFileName(const std::string& executablePath) {
    return ExecutableBaseName(executablePath) + ".ini";
}

std::string ExecutableFolder(const std::string& executablePath) {
    return FolderPart(executablePath);
}

std::string ComposeAppFolder(const std::string& executablePath) {
    return WithTrailingSeparator(GetSpecialFolder(CSIDL_APPDATA)) + kMakerFolder + kPathSeparator +
           ExecutableBaseName(executablePath) + kPathSeparator;
}

std::string ComposeSettingsFilePath(const std::string& executablePath) {
    return WithTrailingSeparator(ComposeAppFolder(executablePath)) +
           SettingsFileName(executablePath);
}

std::string GetAppFolder(const std::string& executablePath) {
    const std::string folder = ComposeAppFolder(executablePath);
    if (!platform::FolderExists(folder)) {
        ForceFolders(folder);
    }
    return folder;
}

std::string GetAppFolder() {
    return GetAppFolder(platform::ExecutablePath());
}

void InitFolders() {
    InitFolders(platform::ExecutablePath());
}

void InitFolders(const std::string& executablePath) {
    ApplicationFolders values;
    values.AppFolder = GetAppFolder(executablePath);
    values.DocumentsFolder = GetSpecialFolder(CSIDL_PERSONAL);
    values.SendToFolder = GetSpecialFolder(CSIDL_SENDTO);
    values.PicturesFolder = GetSpecialFolder(CSIDL_MYPICTURES);
    values.MusicFolder = GetSpecialFolder(CSIDL_MYMUSIC);
    values.VideoFolder = GetSpecialFolder(CSIDL_MYVIDEO);
    values.DesktopDirectory = GetSpecialFolder(CSIDL_DESKTOPDIRECTORY);
    values.DesktopFolder = GetSpecialFolder(CSIDL_DESKTOP);
    values.FavoritesFolder = GetSpecialFolder(CSIDL_FAVORITES);
    values.FontsFolder = GetSpecialFolder(CSIDL_FONTS);
    values.ProfileFolder = GetSpecialFolder(CSIDL_PROFILE);
    values.ProgramsFolder = GetSpecialFolder(CSIDL_PROGRAMS);
    values.ProgramFilesFolder = GetSpecialFolder(CSIDL_PROGRAM_FILES);
    values.RecentFolder = GetSpecialFolder(CSIDL_RECENT);
    values.StartupFolder = GetSpecialFolder(CSIDL_STARTUP);
    values.WindowsFolder = GetSpecialFolder(CSIDL_WINDOWS);
    values.InternetCacheFolder = GetSpecialFolder(CSIDL_INTERNET_CACHE);
    values.InternetFolder = GetSpecialFolder(CSIDL_INTERNET);
    values.TempFolder = GetTempFolder();
    values.ComputerName = platform::ComputerName();
    values.ExecutableFolder = ExecutableFolder(executablePath);
    values.SettingsFilePath =
        WithTrailingSeparator(values.AppFolder) + SettingsFileName(executablePath);
    Values() = std::move(values);
}

const ApplicationFolders& AppFolders() {
    return Values();
}

const std::string& SettingsFilePath() {
    return Values().SettingsFilePath;
}

const std::string& DocumentsFolder() {
    return Values().DocumentsFolder;
}

void ResetFolders() {
    Values() = ApplicationFolders{};
}

void SetSettingsFilePath(std::string path) {
    Values().SettingsFilePath = std::move(path);
}

void SetDocumentsFolder(std::string path) {
    Values().DocumentsFolder = std::move(path);
}

}  // namespace quenby
