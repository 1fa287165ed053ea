#include <windows.h>

#include "platform/files/errorkind.h"

namespace quenby::platform {

ErrorKind KindOfError(int errorCode) {
    switch (static_cast<DWORD>(errorCode)) {
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return ErrorKind::DiskFull;
        case ERROR_ACCESS_DENIED:
        case ERROR_WRITE_PROTECT:
            return ErrorKind::WriteDenied;
        default:
            return ErrorKind::Other;
    }
}

}  // namespace quenby::platform
