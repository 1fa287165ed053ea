#pragma once

#include <string>
#include <vector>

namespace quenby {

// The main window's source-folder list and the folder tree's selected folder,
// as the settings file keeps them ("Quellverzeichnisse", "Verzeichnisse").
struct SourceFolderSettings {
    std::vector<std::string> SourceFolders;
    std::string SelectedFolder;
};

// Reads the file, sets both sections and writes the file back whole. Throws
// the settings file's errors.
void WriteSourceFolderSettings(const std::string& fileName,
                               const std::vector<std::string>& sourceFolders,
                               const std::string& selectedFolder);

// Reads both sections. A listed folder that no longer exists is left out;
// entries beyond the stored count are ignored. Throws FileOpenError when the
// file is there but cannot be read.
SourceFolderSettings ReadSourceFolderSettings(const std::string& fileName);

}  // namespace quenby
