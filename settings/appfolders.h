#pragma once

#include <string>

namespace quenby {

// Shell folder numbers, as the Windows shell numbers them.
inline constexpr int CSIDL_DESKTOP = 0;
inline constexpr int CSIDL_INTERNET = 1;
inline constexpr int CSIDL_PROGRAMS = 2;
inline constexpr int CSIDL_PERSONAL = 5;
inline constexpr int CSIDL_FAVORITES = 6;
inline constexpr int CSIDL_STARTUP = 7;
inline constexpr int CSIDL_RECENT = 8;
inline constexpr int CSIDL_SENDTO = 9;
inline constexpr int CSIDL_MYMUSIC = 13;
inline constexpr int CSIDL_STARTMENU = 11;
inline constexpr int CSIDL_MYVIDEO = 14;
inline constexpr int CSIDL_DESKTOPDIRECTORY = 16;
inline constexpr int CSIDL_FONTS = 20;
inline constexpr int CSIDL_APPDATA = 26;
// Application data that stays on this computer (does not roam).
inline constexpr int CSIDL_LOCAL_APPDATA = 28;
inline constexpr int CSIDL_INTERNET_CACHE = 32;
inline constexpr int CSIDL_WINDOWS = 36;
inline constexpr int CSIDL_PROGRAM_FILES = 38;
inline constexpr int CSIDL_MYPICTURES = 39;
inline constexpr int CSIDL_PROFILE = 40;

// The maker's folder below the roaming application-data folder.
inline constexpr const char* kMakerFolder = "Vexmoor";

// The path of a shell folder with a trailing separator; empty when the folder
// cannot be determined.
std::string GetSpecialFolder(int csidl);

// The user's temporary folder with a trailing separator. Throws OSError when
// the system cannot name one.
std::string GetTempFolder();

// The text of a failed system call: "Systemfehler.  Code: %d.\r\n%s", or the
// general text when the code is 0.
std::string OSErrorText(int code);

// Creates a folder and every missing parent; true when it exists afterwards.
// An empty path throws FolderCreateError.
bool ForceFolders(const std::string& path);

// Name rules for the executable's path. The file name follows the last
// separator; the base name is the file name without its extension, which on
// Windows is the part from the last "." on, and elsewhere, where executables
// carry none, the whole file name. The settings file is the base name + ".ini".
std::string ExecutableFileName(const std::string& executablePath);
std::string ExecutableBaseName(const std::string& executablePath);
std::string SettingsFileName(const std::string& executablePath);
std::string ExecutableFolder(const std::string& executablePath);
// Replaces the extension (the part from the last "." when no separator
// follows it), or appends `extension` when the name has none.
std::string ChangeFileExt(const std::string& name, const std::string& extension);

// Roaming folder + "Vexmoor" + the executable's base name, each with a
// trailing separator; nothing is created.
std::string ComposeAppFolder(const std::string& executablePath);
// The settings file that belongs to an executable; nothing is created.
std::string ComposeSettingsFilePath(const std::string& executablePath);

// ComposeAppFolder, and the folder is created when missing (a failure is
// ignored: writing the settings file reports it later).
std::string GetAppFolder();
std::string GetAppFolder(const std::string& executablePath);

// The values start-up fills and nothing else changes. (The original also
// looked up a dozen other shell folders, the temporary folder and the
// computer's name here, which nothing ever read.)
struct ApplicationFolders {
    std::string AppFolder;
    std::string SettingsFilePath;
    std::string DocumentsFolder;
};

// The start-up step: computes every value, creating the application folder
// when missing. Runs once, before the first window; the second form serves
// tests and tools that speak for another executable name.
void InitFolders();
void InitFolders(const std::string& executablePath);

// The values as InitFolders left them; all empty before it ran.
const ApplicationFolders& AppFolders();
const std::string& SettingsFilePath();
const std::string& DocumentsFolder();
// Back to the state before InitFolders, or one value set directly; for tests.
void ResetFolders();
void SetSettingsFilePath(std::string path);
void SetDocumentsFolder(std::string path);

}  // namespace quenby
