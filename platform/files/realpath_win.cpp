#include <windows.h>

#include <string_view>

#include "platform/files/realpath.h"
#include "platform/text/widetext.h"

namespace quenby::platform {

FileStatus RealPath(const std::string& path, std::string& resolved) {
    // No access asked for: a folder that may not be read still has its path.
    const HANDLE handle = ::CreateFileW(
        ToWide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return {false, WindowsErrorText(::GetLastError())};
    }
    std::wstring buffer(MAX_PATH, L'\0');
    DWORD length =
        ::GetFinalPathNameByHandleW(handle, buffer.data(), static_cast<DWORD>(buffer.size()),
                                    FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length >= buffer.size()) {
        buffer.resize(length);
        length =
            ::GetFinalPathNameByHandleW(handle, buffer.data(), static_cast<DWORD>(buffer.size()),
                                        FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    }
    const DWORD error = ::GetLastError();
    ::CloseHandle(handle);
    if (length == 0 || length >= buffer.size()) {
        return {false, WindowsErrorText(error)};
    }
    buffer.resize(length);
    // The answer comes as "\\?\C:\..." or "\\?\UNC\server\share\..."; people
    // and the rest of the program write "C:\..." and "\\server\share\...".
    constexpr std::wstring_view kUnc = L"\\\\?\\UNC\\";
    constexpr std::wstring_view kLong = L"\\\\?\\";
    if (std::wstring_view(buffer).starts_with(kUnc)) {
        buffer.replace(0, kUnc.size(), L"\\\\");
    } else if (std::wstring_view(buffer).starts_with(kLong)) {
        buffer.erase(0, kLong.size());
    }
    resolved = FromWide(buffer);
    return {};
}

}  // namespace quenby::platform
