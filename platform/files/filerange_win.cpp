#include <windows.h>

#include <algorithm>
#include <utility>

#include "platform/files/filerange.h"
#include "platform/text/widetext.h"

namespace quenby::platform {

std::optional<FileRange> FileRange::Open(const std::string& path, std::string* failure) {
    constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    const std::wstring wide = ToWide(path);
    // With the right to write attributes we can tell the system to leave the
    // last-access time alone; a medium that refuses it is still read.
    bool keepAccessTime = true;
    HANDLE handle =
        ::CreateFileW(wide.c_str(), FILE_READ_DATA | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                      kShare, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        keepAccessTime = false;
        handle =
            ::CreateFileW(wide.c_str(), GENERIC_READ, kShare, nullptr, OPEN_EXISTING, 0, nullptr);
    }
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        if (failure != nullptr && error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) {
            *failure = WindowsErrorText(error);
        }
        return std::nullopt;
    }
    FileRange range;
    range.m_handle = handle;
    // A name such as "CON.jpg" may open a device: only disk files are read.
    LARGE_INTEGER size{};
    if (::GetFileType(handle) != FILE_TYPE_DISK || !::GetFileSizeEx(handle, &size) ||
        size.QuadPart < 0) {
        return std::nullopt;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(handle, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return std::nullopt;
    }
    if (keepAccessTime) {
        FILETIME unchanged;
        unchanged.dwLowDateTime = 0xFFFFFFFF;
        unchanged.dwHighDateTime = 0xFFFFFFFF;
        ::SetFileTime(handle, nullptr, &unchanged, nullptr);
    }
    range.m_sizeAsked = true;
    range.m_size = static_cast<std::uint64_t>(size.QuadPart);
    return range;
}

std::optional<std::uint64_t> FileRange::Size() const {
    return m_size;
}

FileRange::FileRange(FileRange&& other) noexcept
    : m_handle(std::exchange(other.m_handle, nullptr)),
      m_sizeAsked(other.m_sizeAsked),
      m_size(other.m_size),
      m_readFailure(std::move(other.m_readFailure)) {}

FileRange& FileRange::operator=(FileRange&& other) noexcept {
    if (this != &other) {
        Close();
        m_handle = std::exchange(other.m_handle, nullptr);
        m_sizeAsked = other.m_sizeAsked;
        m_size = other.m_size;
        m_readFailure = std::move(other.m_readFailure);
    }
    return *this;
}

FileRange::~FileRange() {
    Close();
}

void FileRange::Close() {
    if (m_handle != nullptr) {
        ::CloseHandle(static_cast<HANDLE>(m_handle));
        m_handle = nullptr;
    }
}

std::size_t FileRange::Read(std::uint64_t offset, std::span<std::byte> into) const {
    std::size_t done = 0;
    const std::uint64_t size = m_size.value_or(0);
    while (done < into.size() && offset + done < size) {
        OVERLAPPED at{};
        const std::uint64_t position = offset + done;
        at.Offset = static_cast<DWORD>(position & 0xFFFFFFFFU);
        at.OffsetHigh = static_cast<DWORD>(position >> 32);
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(into.size() - done, 1U << 20));
        DWORD got = 0;
        if (!::ReadFile(static_cast<HANDLE>(m_handle), into.data() + done, chunk, &got, &at)) {
            const DWORD error = ::GetLastError();
            if (error == ERROR_HANDLE_EOF) {
                return done;
            }
            if (m_readFailure.empty()) {
                m_readFailure = WindowsErrorText(error);
            }
            return 0;
        }
        if (got == 0) {
            break;
        }
        done += got;
    }
    return done;
}

}  // namespace quenby::platform
