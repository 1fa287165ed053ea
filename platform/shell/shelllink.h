#pragma once

#include <string>

namespace quenby::platform {

// What a link file's name ends in: a shell link on Windows, a desktop entry
// elsewhere.
#ifdef _WIN32
inline constexpr const char* kShellLinkExtension = ".lnk";
#else
inline constexpr const char* kShellLinkExtension = ".desktop";
#endif

// Where the system keeps the folder for one kind of link: on Windows the
// per-user registry value that names it (below HKEY_CURRENT_USER), elsewhere
// the Windows folder number of the matching user folder (see
// ShellFolderPath); -1 when the system has no such folder.
struct ShellLinkFolderKey {
    const char* BaseKey;
    const char* SubKey;
    const char* ValueName;
    int FolderNumber;
};

// The folder for one kind of link, taken as the system stores it; empty when
// it has none.
std::string ShellLinkFolder(const ShellLinkFolderKey& key);

// What a link holds. `Name` is the link's own name (its file name without
// the extension), which a desktop entry shows when there is no description.
struct ShellLink {
    std::string Target;
    std::string Arguments;
    std::string WorkingDir;
    std::string Description;
    std::string Name;
};

// Writes the link file, replacing one of that name. False, with the reason
// for a person to read, when nothing was written: the folder is missing or
// not writable, or the link cannot be expressed in the system's format.
bool WriteShellLink(const std::string& linkPath, const ShellLink& link, std::string& reason);

}  // namespace quenby::platform
