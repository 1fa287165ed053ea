#pragma once

#include <string>

#include "platform/files/fileops.h"

namespace quenby::platform {

// The one path of an existing file or folder, however it was reached: every
// link resolved, "." and ".." gone and, where names ignore letter case, each
// name as the disk spells it. Whatever is keyed by a folder (the memory of
// imported photos keys its target) finds it again under another spelling.
// Fails with the system's reason when the path cannot be resolved (missing,
// say); `resolved` is then unchanged.
FileStatus RealPath(const std::string& path, std::string& resolved);

}  // namespace quenby::platform
