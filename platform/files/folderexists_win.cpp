#include <windows.h>

#include "platform/files/folderexists.h"
#include "platform/text/widetext.h"

namespace quenby::platform {

bool FolderExists(const std::string& path) {
    if (path.empty()) {
        return false;
    }
    const std::wstring wide = ToWide(path);
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        // Only a clear "not there" is false; a drive that is not ready or a
        // folder we may not look into may well exist.
        switch (::GetLastError()) {
            case ERROR_FILE_NOT_FOUND:
            case ERROR_PATH_NOT_FOUND:
            case ERROR_BAD_NETPATH:
            case ERROR_INVALID_NAME:
                return false;
            default:
                return true;
        }
    }
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    }
    // A link or junction counts only when its target can be reached.
    const HANDLE handle = ::CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    ::CloseHandle(handle);
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace quenby::platform
