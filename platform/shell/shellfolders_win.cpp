#include <shlobj.h>
#include <windows.h>

#include "platform/shell/shellfolders.h"
#include "platform/text/widetext.h"

namespace quenby::platform {

std::string ShellFolderPath(int csidl) {
    IMalloc* allocator = nullptr;
    if (FAILED(::SHGetMalloc(&allocator)) || allocator == nullptr) {
        return {};
    }
    LPITEMIDLIST list = nullptr;
    std::string path;
    if (SUCCEEDED(::SHGetSpecialFolderLocation(nullptr, csidl, &list))) {
        wchar_t buffer[MAX_PATH] = {};
        // A folder without a place in the file system (the printers, say)
        // has no path and gives the empty string; Wine answers some of them
        // with a shell name ("::{GUID}"), which is no path either.
        if (::SHGetPathFromIDListW(list, buffer) && !(buffer[0] == L':' && buffer[1] == L':')) {
            path = FromWide(buffer);
        }
    }
    allocator->Free(list);
    allocator->Release();
    // Callers add the separator; a root such as "C:\" keeps its own.
    while (path.size() > 3 && path.back() == '\\') {
        path.pop_back();
    }
    return path;
}

bool TempFolderPath(std::string& path, int& errorCode) {
    wchar_t buffer[MAX_PATH + 2] = {};
    const DWORD length = ::GetTempPathW(MAX_PATH + 2, buffer);
    if (length == 0 || length > MAX_PATH + 1) {
        errorCode = length == 0 ? static_cast<int>(::GetLastError()) : ERROR_INSUFFICIENT_BUFFER;
        return false;
    }
    path = FromWide(std::wstring_view(buffer, length));
    return true;
}

std::string SystemErrorText(int errorCode) {
    return WindowsErrorText(static_cast<unsigned long>(errorCode));
}

}  // namespace quenby::platform
