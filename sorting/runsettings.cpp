#include "sorting/runsettings.h"

#include <cstdint>
#include <string>

#include "platform/text/utf8.h"
#include "settings/runkeys.h"
#include "sorting/datenaming.h"

namespace quenby {

void ReadRunSettings(const TMemIniFile& ini, SortOptions& options) {
    const std::string_view section = runkeys::kSection;
    options.MaskText = ini.ReadString(section, runkeys::kMask, options.MaskText);
    options.TargetRoot = ini.ReadString(section, runkeys::kTarget, options.TargetRoot);
    const std::int32_t layout = ini.ReadInteger(section, runkeys::kLayout, options.LayoutIndex);
    if (layout >= 0 && layout < static_cast<std::int32_t>(DateLayouts.size())) {
        options.LayoutIndex = layout;
    }
    // The drop-down list takes its index first, then selects the item whose
    // text was stored, when it has one.
    const std::string separatorKey(runkeys::kSeparator);
    std::int32_t separator =
        ini.ReadInteger(section, separatorKey + std::string(runkeys::kIndexSuffix), -1);
    const std::string separatorText = ini.ReadString(section, separatorKey, "");
    for (std::size_t i = 0; i < SeparatorChoices.size(); ++i) {
        if (platform::EncodeUtf8(SeparatorChoices[i]) == separatorText) {
            separator = static_cast<std::int32_t>(i);
        }
    }
    if (separator >= 0 && separator < static_cast<std::int32_t>(SeparatorChoices.size())) {
        options.SeparatorIndex = separator;
        options.SeparatorChar = SeparatorChoices[static_cast<std::size_t>(separator)];
    }
    options.Prefix = ini.ReadString(section, runkeys::kPrefix, options.Prefix);
    options.Suffix = ini.ReadString(section, runkeys::kSuffix, options.Suffix);
    options.DeleteSources = ini.ReadBool(section, runkeys::kDeleteSources, options.DeleteSources);
    options.RenameFiles = ini.ReadBool(section, runkeys::kRenameFiles, options.RenameFiles);
    // Older settings files lack the key: their runs stay by last-write time.
    const bool capture =
        ini.ReadBool(section, runkeys::kCaptureDate, options.DateFrom == DateSource::CaptureDate);
    options.DateFrom = capture ? DateSource::CaptureDate : DateSource::LastWriteTime;
    options.VerifyCopies = ini.ReadBool(section, runkeys::kVerifyCopies, options.VerifyCopies);
    const bool keepBoth =
        ini.ReadBool(section, runkeys::kKeepBoth, options.OnNameClash == NameClash::KeepBoth);
    options.OnNameClash = keepBoth ? NameClash::KeepBoth : NameClash::Skip;
    options.OnlyNew = ini.ReadBool(section, runkeys::kOnlyNew, options.OnlyNew);
}

}  // namespace quenby
