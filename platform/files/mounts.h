#pragma once

#include <string>
#include <vector>

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

// The folders that file systems are mounted on now, as the kernel lists
// them; empty where the system keeps no such list (Windows, whose drives are
// roots of their own).
std::vector<std::string> MountPoints();

// Where the desktop puts the user's removable media.
struct MediaFolders {
    // A mount point directly below one of these is a drive: udisks mounts a
    // card in /media/$USER, or in /run/media/$USER on some systems.
    std::vector<std::string> MountParents;
    // Every entry of this folder is a drive: gvfs shows a phone's or a
    // camera's MTP and PTP mounts there. Empty when there is none.
    std::string EntryParent;
};
MediaFolders DesktopMediaFolders();

// The mount table's change signal: a descriptor that poll() reports with
// POLLPRI after each mount and unmount, open as long as the object lives;
// -1 where the system offers none.
class MountTableWatch {
public:
    MountTableWatch();
    MountTableWatch(const MountTableWatch&) = delete;
    MountTableWatch& operator=(const MountTableWatch&) = delete;
    ~MountTableWatch();

    int Descriptor() const { return m_descriptor; }

private:
    int m_descriptor = -1;
};

}  // namespace quenby::platform
