#pragma once

#include <string>

#include "platform/files/folderlisting.h"

namespace quenby::platform {

// False for a folder on one of the system's own interface file systems
// (proc, sysfs, devtmpfs, cgroup, debugfs, ...), which hold no photos, only
// the kernel's state; a walk from "/" would otherwise read all of it.
bool HoldsUserFiles(const FolderIdentity& folder);

// Whether a deletion below this folder can see that a photo was protected in
// the camera: false where the file system's driver hides the FAT and exFAT
// read-only attribute, as the FUSE drivers do (they show such a photo as
// writable by everyone, or by its owner).
bool ShowsWriteProtection(const std::string& folder);

}  // namespace quenby::platform
