#include "cli/settingsoptions.h"

#include "platform/files/wholefile.h"
#include "platform/text/utf8.h"
#include "settings/appfolders.h"
#include "settings/errors.h"
#include "settings/foldersections.h"
#include "settings/inifile.h"
#include "sorting/datenaming.h"

namespace quenby::cli {
namespace {

// The main window's section and the keys of its controls.
constexpr const char* kFormSection = "Quenbyform";

}  // namespace

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
        read.MaskText = ini.ReadString(kFormSection, "maske", read.MaskText);
        read.TargetRoot = ini.ReadString(kFormSection, "rootdir", read.TargetRoot);
        const std::int32_t layout = ini.ReadInteger(kFormSection, "optionen", read.LayoutIndex);
        if (layout >= 0 && layout < static_cast<std::int32_t>(DateLayouts.size())) {
            read.LayoutIndex = layout;
        }
        // The drop-down list takes its index first, then selects the item
        // whose text was stored, when it has one.
        std::int32_t separator = ini.ReadInteger(kFormSection, "trennzeichenI", -1);
        const std::string separatorText = ini.ReadString(kFormSection, "trennzeichen", "");
        for (std::size_t i = 0; i < SeparatorChoices.size(); ++i) {
            if (platform::EncodeUtf8(SeparatorChoices[i]) == separatorText) {
                separator = static_cast<std::int32_t>(i);
            }
        }
        if (separator >= 0 && separator < static_cast<std::int32_t>(SeparatorChoices.size())) {
            read.SeparatorIndex = separator;
            read.SeparatorChar = SeparatorChoices[static_cast<std::size_t>(separator)];
        }
        read.Prefix = ini.ReadString(kFormSection, "Prefix", read.Prefix);
        read.Suffix = ini.ReadString(kFormSection, "Suffix", read.Suffix);
        read.DeleteSources = ini.ReadBool(kFormSection, "deletesource", read.DeleteSources);
        read.RenameFiles = ini.ReadBool(kFormSection, "useprefix", read.RenameFiles);
        // Older settings files lack the key: their runs stay by last-write time.
        const bool capture =
            ini.ReadBool(kFormSection, "usecapturedate", read.DateFrom == DateSource::CaptureDate);
        read.DateFrom = capture ? DateSource::CaptureDate : DateSource::LastWriteTime;
        options = std::move(read);
        return true;
    } catch (const SettingsError& failure) {
        error = "cannot read the settings file " + path + ": " + failure.what();
        return false;
    }
}

}  // namespace quenby::cli
