#include "settings/appfolders.h"

#include "base/stringtable.h"
#include "platform/files/fileops.h"
#include "platform/files/folderexists.h"
#include "platform/files/pathsep.h"
#include "platform/process/executable.h"
#include "platform/shell/shellfolders.h"
#include "settings/errors.h"

namespace quenby {
namespace {

using platform::kPathSeparator;
using platform::WithTrailingSeparator;

std::size_t LastDelimiter(const std::string& path) {
    for (std::size_t i = path.size(); i > 0; --i) {
        if (platform::IsPathDelimiter(path[i - 1])) {
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
    const std::string parent = FolderPart(folder);
    if (platform::NamesWholeVolume(folder) || platform::FolderExists(folder) || parent == folder) {
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
        if (name[i - 1] == '.' || platform::IsPathDelimiter(name[i - 1])) {
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
    // Where executables carry no extension, "quenby.v2" must not share the
    // settings of "quenby".
    if constexpr (platform::kExecutableNamesCarryExtension) {
        return ExecutableFileName(ChangeFileExt(executablePath, ""));
    }
    return ExecutableFileName(executablePath);
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
