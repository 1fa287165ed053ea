#include "cli/settingsoptions.h"

#include "platform/files/wholefile.h"
#include "settings/appfolders.h"
#include "settings/errors.h"
#include "settings/foldersections.h"
#include "settings/inifile.h"
#include "sorting/runsettings.h"

namespace quenby::cli {

std::string DefaultSettingsFile() {
    return ComposeSettingsFilePath("quenby");
}

bool ReadSortOptionsFromSettings(const std::string& path, SortOptions& options,
                                 std::string& error) {
    std::string bytes;
    std::string reason;
    switch (platform::ReadWholeFile(path, bytes, reason, kMaxSettingsFileBytes)) {
        case platform::ReadOutcome::Missing:
            error = "the settings file " + path + " does not exist";
            return false;
        case platform::ReadOutcome::Failed:
            error = "cannot read the settings file " + path + ": " + reason;
            return false;
        case platform::ReadOutcome::TooLarge:
            error = "the settings file " + path + " is larger than 16 MB and is not read";
            return false;
        case platform::ReadOutcome::Read:
            break;
    }
    try {
        const TMemIniFile ini(path);
        SortOptions read = options;
        read.SourceFolders = ReadSourceFolderSettings(path).SourceFolders;
        ReadRunSettings(ini, read);
        options = std::move(read);
        return true;
    } catch (const SettingsError& failure) {
        error = "cannot read the settings file " + path + ": " + failure.what();
        return false;
    }
}

}  // namespace quenby::cli
