#include "system/shortcuts.h"

#include <stdexcept>

#include "platform/files/pathsep.h"
#include "platform/process/executable.h"
#include "platform/shell/shelllink.h"
#include "settings/appfolders.h"

namespace quenby {
namespace {

using platform::kPathSeparator;
using platform::ShellLinkFolderKey;

struct LocationRow {
    TShortcutLocation Location;
    ShellLinkFolderKey Key;
};

constexpr const char* kExplorerKey = "Software\\MicroSoft\\Windows\\CurrentVersion\\Explorer";
constexpr const char* kGrpConvKey = "Software\\MicroSoft\\Windows\\CurrentVersion\\GrpConv";

// Where each location's folder is kept. Only its registry value names the
// quick-launch folder, so it has no folder number. slCustomFolder has no row:
// the caller names the folder.
constexpr LocationRow kLocations[] = {
    {slDesktop, {kExplorerKey, "Shell Folders", "Desktop", CSIDL_DESKTOPDIRECTORY}},
    {slQuickLaunch, {kGrpConvKey, "MapGroups", "Quick Launch", -1}},
    {slSendTo, {kExplorerKey, "Shell Folders", "SendTo", CSIDL_SENDTO}},
    {slStartMenu, {kExplorerKey, "Shell Folders", "Start Menu", CSIDL_STARTMENU}},
    {slStartup, {kExplorerKey, "Shell Folders", "Startup", CSIDL_STARTUP}},
};

// The link's own name: the target's file name without its extension.
std::string ShortcutName(const std::string& target) {
    return ExecutableFileName(ChangeFileExt(target, ""));
}

}  // namespace

std::string ShortcutFileName(const std::string& target) {
    return ExecutableFileName(ChangeFileExt(target, platform::kShellLinkExtension));
}

std::string ShortcutFolder(TShortcutLocation location, const std::string& subFolder) {
    if (location == slCustomFolder) {
        return subFolder;
    }
    for (const LocationRow& row : kLocations) {
        if (row.Location == location) {
            return platform::ShellLinkFolder(row.Key);
        }
    }
    return {};
}

std::string ComposeShortcutPath(const std::string& folder, TShortcutLocation location,
                                const std::string& subFolder, const std::string& target) {
    std::string path = folder + kPathSeparator;
    if (!subFolder.empty() && location != slCustomFolder) {
        path += subFolder + kPathSeparator;
    }
    return path + ShortcutFileName(target);
}

ShortcutOutcome WriteShortcut(const std::string& target, TShortcutLocation location,
                              const std::string& subFolder, const std::string& workingDir,
                              const std::string& arguments, const std::string& description) {
    ShortcutOutcome outcome;
    const std::string folder = ShortcutFolder(location, subFolder);
    if (folder.empty()) {
        return outcome;
    }
    outcome.Path = ComposeShortcutPath(folder, location, subFolder, target);
    platform::ShellLink link;
    link.Target = target;
    link.Arguments = arguments;
    link.WorkingDir = workingDir.empty() ? ExecutableFolder(target) : workingDir;
    link.Description = description;
    link.Name = ShortcutName(target);
    outcome.Written = platform::WriteShellLink(outcome.Path, link, outcome.Reason);
    return outcome;
}

std::string CreateShortcut(const std::string& target, TShortcutLocation location,
                           const std::string& subFolder, const std::string& workingDir,
                           const std::string& arguments, const std::string& description) {
    return WriteShortcut(target, location, subFolder, workingDir, arguments, description).Path;
}

void CreateDesktopShortcut(const std::string& description, const std::string& target) {
    CreateShortcut(target, slDesktop, "", "", "", description);
}

void AddToDesktop() {
    // The user asked for it and would otherwise look for it in vain.
    const ShortcutOutcome outcome =
        WriteShortcut(platform::ExecutablePath(), slDesktop, "", "", "", "Quenby");
    if (outcome.Path.empty()) {
        throw std::runtime_error("There is no desktop folder to put the launcher in.");
    }
    if (!outcome.Written) {
        throw std::runtime_error("Cannot create file \"" + outcome.Path + "\". " + outcome.Reason);
    }
}

}  // namespace quenby
