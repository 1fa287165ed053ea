#include <sys/stat.h>

#include <cerrno>

#include "platform/files/folderexists.h"

namespace quenby::platform {

bool FolderExists(const std::string& path) {
    if (path.empty()) {
        return false;
    }
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        switch (errno) {
            case ENOENT:
            case ENOTDIR:
            case ENAMETOOLONG:
            case ELOOP:
                return false;
            default:
                return true;
        }
    }
    return S_ISDIR(info.st_mode);
}

}  // namespace quenby::platform
