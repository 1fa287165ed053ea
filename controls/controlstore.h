#pragma once

#include <string>

class QObject;
class QWidget;

namespace quenby::gui {

// Section marker and file marker of the settings file.
inline constexpr const char* kSectionMarkerKey = "SektionVorhanden";
inline constexpr const char* kCheckSection = "Check";
inline constexpr const char* kFileMarkerKey = "WroteSuccesful";

// The settings file's backup: SettingsFilePath with ".bak" for ".ini".
std::string BackupFilePath();
// The backup beside any settings file.
std::string BackupFilePathFor(const std::string& settingsFile);

// Writes the markers and the state of every control the owner holds, in the
// owner's order, into `section` of the settings file, and writes the file.
// Throws the settings file's errors (FileOpenError, FileCreateError,
// StreamWriteError); then nothing was written.
void SaveControlStates(QObject* owner, const std::string& fileName, const std::string& section);

// Refreshes the backup from a complete settings file or restores an
// incomplete one from the backup, then sets every control the owner holds
// from `section` when it carries the section marker. Returns whether it did.
// Throws FileOpenError when the file is there but cannot be read.
bool LoadControlStates(QObject* owner, const std::string& fileName, const std::string& section);

// The same for a window, in SettingsFilePath under its object name.
void SaveFormState(QWidget* form);
bool LoadFormState(QWidget* form);

}  // namespace quenby::gui
