#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <random>

#include "platform/files/wholefile.h"
#include "platform/text/widetext.h"

namespace quenby::platform {
namespace {

class Handle {
public:
    explicit Handle(HANDLE handle) : m_handle(handle) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() { Close(); }
    bool Valid() const { return m_handle != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return m_handle; }
    bool Close() {
        const HANDLE handle = m_handle;
        m_handle = INVALID_HANDLE_VALUE;
        return handle == INVALID_HANDLE_VALUE || ::CloseHandle(handle) != FALSE;
    }

private:
    HANDLE m_handle;
};

std::string LastErrorText() {
    return WindowsErrorText(::GetLastError());
}

std::wstring TemporaryBeside(const std::wstring& target) {
    thread_local std::mt19937_64 generator{std::random_device{}() ^
                                           (static_cast<std::uint64_t>(::GetTickCount64()) << 20) ^
                                           ::GetCurrentProcessId()};
    return target + L".tmp" + std::to_wstring(generator() & 0xFFFFFFFFFFFFULL);
}

bool WriteAll(HANDLE handle, const std::string& contents) {
    std::size_t done = 0;
    while (done < contents.size()) {
        const DWORD chunk =
            static_cast<DWORD>(std::min<std::size_t>(contents.size() - done, 1U << 20));
        DWORD written = 0;
        if (!::WriteFile(handle, contents.data() + done, chunk, &written, nullptr)) {
            return false;
        }
        if (written == 0) {
            ::SetLastError(ERROR_DISK_FULL);
            return false;
        }
        done += written;
    }
    return true;
}

}  // namespace

ReadOutcome ReadWholeFile(const std::string& path, std::string& contents, std::string& errorText,
                          std::uint64_t maxBytes) {
    contents.clear();
    if (path.empty()) {
        return ReadOutcome::Missing;
    }
    const std::wstring wide = ToWide(path);
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return ReadOutcome::Missing;
    }
    // Others may read meanwhile, but not write: we want one consistent file.
    Handle file(::CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) {
        errorText = LastErrorText();
        return ReadOutcome::Failed;
    }
    if (::GetFileType(file.Get()) != FILE_TYPE_DISK) {
        errorText = WindowsErrorText(ERROR_INVALID_PARAMETER);
        return ReadOutcome::Failed;
    }
    char buffer[65536];
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr)) {
            errorText = LastErrorText();
            contents.clear();
            return ReadOutcome::Failed;
        }
        if (got == 0) {
            return ReadOutcome::Read;
        }
        if (contents.size() + got > maxBytes) {
            contents.clear();
            return ReadOutcome::TooLarge;
        }
        contents.append(buffer, got);
    }
}

ReplaceOutcome ReplaceWholeFile(const std::string& path, const std::string& contents,
                                std::string& errorText) {
    if (path.empty()) {
        errorText = WindowsErrorText(ERROR_PATH_NOT_FOUND);
        return ReplaceOutcome::CreateFailed;
    }
    const std::wstring target = ToWide(path);
    const DWORD existing = ::GetFileAttributesW(target.c_str());
    if (existing != INVALID_FILE_ATTRIBUTES && (existing & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        errorText = WindowsErrorText(ERROR_ACCESS_DENIED);
        return ReplaceOutcome::CreateFailed;
    }
    std::wstring temporary;
    HANDLE created = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && created == INVALID_HANDLE_VALUE; ++attempt) {
        temporary = TemporaryBeside(target);
        created = ::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
        if (created == INVALID_HANDLE_VALUE && ::GetLastError() != ERROR_FILE_EXISTS) {
            break;
        }
    }
    Handle file(created);
    if (!file.Valid()) {
        errorText = LastErrorText();
        return ReplaceOutcome::CreateFailed;
    }
    if (!WriteAll(file.Get(), contents) || !::FlushFileBuffers(file.Get())) {
        errorText = LastErrorText();
        file.Close();
        ::DeleteFileW(temporary.c_str());
        return ReplaceOutcome::WriteFailed;
    }
    if (!file.Close()) {
        errorText = LastErrorText();
        ::DeleteFileW(temporary.c_str());
        return ReplaceOutcome::WriteFailed;
    }
    // The old file stays whole until the new one is complete on the disk,
    // then the new one takes its name in one step. It carries over what the
    // user set on the old file (hidden, say); a read-only file refuses to
    // be replaced, as it refuses to be overwritten.
    if (existing != INVALID_FILE_ATTRIBUTES) {
        constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
        if ((existing & kKept) != 0) {
            ::SetFileAttributesW(temporary.c_str(), existing & kKept);
        }
    }
    const DWORD flags = MOVEFILE_WRITE_THROUGH |
                        (existing != INVALID_FILE_ATTRIBUTES ? MOVEFILE_REPLACE_EXISTING : 0);
    const bool replaced = ::MoveFileExW(temporary.c_str(), target.c_str(), flags) != FALSE;
    if (!replaced) {
        errorText = LastErrorText();
        ::DeleteFileW(temporary.c_str());
        return ReplaceOutcome::CreateFailed;
    }
    return ReplaceOutcome::Replaced;
}

ReplaceOutcome ReplaceWholeFile(const std::string& path, const std::string& contents,
                                unsigned /*mode*/, std::string& errorText) {
    // Windows files carry attributes and security, not permission bits.
    return ReplaceWholeFile(path, contents, errorText);
}

}  // namespace quenby::platform
