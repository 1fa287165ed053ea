#pragma once

#include <string>

namespace quenby::platform {

// The folder test every part of the program shares. It answers true also when
// the folder may exist but cannot be examined (access denied, I/O error), so
// callers never mistake an unreadable medium for a missing one. A dangling
// link is no folder.
bool FolderExists(const std::string& path);

}  // namespace quenby::platform
