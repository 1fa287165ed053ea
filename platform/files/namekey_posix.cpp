#include "platform/files/namekey.h"

namespace quenby::platform {

std::string FolderNameKey(const std::string& name) {
    return name;
}

}  // namespace quenby::platform
