#include <cerrno>

#include "platform/files/errorkind.h"

namespace quenby::platform {

ErrorKind KindOfError(int errorCode) {
    switch (errorCode) {
        case ENOSPC:
        case EDQUOT:
            return ErrorKind::DiskFull;
        case EACCES:
        case EPERM:
        case EROFS:
            return ErrorKind::WriteDenied;
        default:
            return ErrorKind::Other;
    }
}

}  // namespace quenby::platform
