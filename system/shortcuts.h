#pragma once

#include <cstdint>
#include <string>

namespace quenby {

// The folder a shortcut goes into. The numbers are fixed: callers and
// stored values use them.
enum TShortcutLocation : std::uint8_t {
    slDesktop = 0,
    slQuickLaunch = 1,
    slSendTo = 2,
    slStartMenu = 3,
    slCustomFolder = 4,
    slStartup = 5
};

// The shortcut's file name: the target's file name with its extension
// replaced by the link extension (".desktop" here, ".lnk" on Windows), or
// the extension appended when it has none. A "." in a folder name does not
// count.
std::string ShortcutFileName(const std::string& target);

// The folder of a location: the system's folder for it, or `subFolder` for
// slCustomFolder. Empty for a location the system has no folder for and for
// a value outside the enumeration.
std::string ShortcutFolder(TShortcutLocation location, const std::string& subFolder);

// folder + separator [+ subFolder + separator] + ShortcutFileName(target).
// The separator is always inserted, also after one the folder ends with; the
// sub-folder applies to every location except slCustomFolder, whose folder
// it already is.
std::string ComposeShortcutPath(const std::string& folder, TShortcutLocation location,
                                const std::string& subFolder, const std::string& target);

struct ShortcutOutcome {
    std::string Path;  // empty: the location has no folder, nothing was written
    bool Written = false;
    std::string Reason;  // why it was not written, for a person to read
};

// Writes a shortcut to `target`. The sub-folder is not created. An empty
// `workingDir` means the target's folder.
ShortcutOutcome WriteShortcut(const std::string& target, TShortcutLocation location,
                              const std::string& subFolder, const std::string& workingDir,
                              const std::string& arguments, const std::string& description);

// The same, giving only the shortcut's path: empty when the location has no
// folder, and the path also when the shortcut could not be written.
std::string CreateShortcut(const std::string& target, TShortcutLocation location,
                           const std::string& subFolder, const std::string& workingDir,
                           const std::string& arguments, const std::string& description);

// A shortcut on the user's desktop, without arguments, working in the
// target's folder.
void CreateDesktopShortcut(const std::string& description, const std::string& target);

// What the main window's "Desk&topicon" button does: a desktop shortcut
// named after the running executable. Throws std::runtime_error, with the
// text to show, when there is no desktop folder or the shortcut cannot be
// written.
void AddToDesktop();

}  // namespace quenby
