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

}  // namespace quenby::platform
