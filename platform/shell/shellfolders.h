#pragma once

#include <map>
#include <string>
#include <string_view>

namespace quenby::platform {

// The file-system path of the shell folder with the given Windows folder
// number (0 desktop, 5 documents, 26 roaming application data, ...), without a
// trailing separator; empty when the folder cannot be determined or this
// system has no such folder.
std::string ShellFolderPath(int csidl);

// The user's folder for temporary files. False, with the system's error code,
// when the system cannot name one.
bool TempFolderPath(std::string& path, int& errorCode);

// The system's text for an error code.
std::string SystemErrorText(int errorCode);

// Reads a user-dirs file (lines such as XDG_DOCUMENTS_DIR="$HOME/Documents")
// into name -> absolute path. Only the two forms the format allows count:
// "$HOME/..." (expanded with `home`) and "/..."; anything else is skipped.
std::map<std::string, std::string> ParseUserDirs(std::string_view text, const std::string& home);

}  // namespace quenby::platform
