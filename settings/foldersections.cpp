#include "settings/foldersections.h"

#include <map>

#include "platform/files/folderexists.h"
#include "settings/inifile.h"
#include "settings/numbertext.h"

namespace quenby {
namespace {

constexpr const char* kFolderSection = "Verzeichnisse";
constexpr const char* kSelectedKey = "Quellpfad";
constexpr const char* kListSection = "Quellverzeichnisse";
constexpr const char* kCountKey = "Anzahl";

// The number k of an entry name "Nr<k>" as the lookup of "Nr" + k in decimal
// would match it (any letter case, no sign, no leading zero); 0 otherwise.
std::int64_t EntryNumber(const std::string& name) {
    if (name.size() < 3 || name.size() > 12 || (name[0] != 'N' && name[0] != 'n') ||
        (name[1] != 'R' && name[1] != 'r') || name[2] == '0') {
        return 0;
    }
    std::int64_t number = 0;
    for (std::size_t i = 2; i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9') {
            return 0;
        }
        number = number * 10 + (name[i] - '0');
    }
    return number;
}

}  // namespace

void WriteSourceFolderSettings(const std::string& fileName,
                               const std::vector<std::string>& sourceFolders,
                               const std::string& selectedFolder) {
    TMemIniFile file(fileName);
    file.WriteString(kFolderSection, kSelectedKey, selectedFolder);
    file.WriteInteger(kListSection, kCountKey, static_cast<std::int32_t>(sourceFolders.size()));
    for (std::size_t i = 0; i < sourceFolders.size(); ++i) {
        file.WriteString(kListSection, "Nr" + std::to_string(i + 1), sourceFolders[i]);
    }
    file.UpdateFile();
}

SourceFolderSettings ReadSourceFolderSettings(const std::string& fileName) {
    const TMemIniFile file(fileName);
    SourceFolderSettings result;
    const std::int32_t count = file.ReadInteger(kListSection, kCountKey, 0);
    // Visit the entries that are there rather than every number up to the
    // count: a count of two billion must not stall the start. A missing
    // entry reads as "" and would fail the folder test anyway.
    std::map<std::int64_t, std::string> entries;
    for (auto& [name, value] : file.ReadSectionValues(kListSection)) {
        const std::int64_t number = EntryNumber(name);
        if (number >= 1 && number <= count) {
            entries[number] = std::move(value);  // the last of a name wins
        }
    }
    for (const auto& [number, folder] : entries) {
        if (platform::FolderExists(folder)) {
            result.SourceFolders.push_back(folder);
        }
    }
    result.SelectedFolder = file.ReadString(kFolderSection, kSelectedKey, std::string());
    return result;
}

}  // namespace quenby
