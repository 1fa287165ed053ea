#include "platform/files/mounts.h"

namespace quenby::platform {

// Windows has no interface file systems, and its own drivers keep the
// read-only attribute.
bool HoldsUserFiles(const FolderIdentity&) {
    return true;
}

bool ShowsWriteProtection(const std::string&) {
    return true;
}

// Each drive is a root of its own there, and the file model lists the
// drives itself and follows them as they come and go.
std::vector<std::string> MountPoints() {
    return {};
}

MediaFolders DesktopMediaFolders() {
    return {};
}

MountTableWatch::MountTableWatch() = default;

MountTableWatch::~MountTableWatch() = default;

}  // namespace quenby::platform
