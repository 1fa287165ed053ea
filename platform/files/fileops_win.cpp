#include <windows.h>

#include <cstdint>
#include <random>

#include "platform/files/fileops.h"
#include "platform/text/widetext.h"

namespace quenby::platform {
namespace {

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of("\\/:");
    if (slash == std::string::npos) {
        return {};
    }
    return path.substr(0, slash + 1);
}

std::string NameOf(const std::string& path) {
    const std::size_t slash = path.find_last_of("\\/:");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Random, not the process id: Wine hands out small ids again and again.
std::string TemporaryName() {
    thread_local std::mt19937_64 generator{std::random_device{}() ^
                                           (static_cast<std::uint64_t>(::GetTickCount64()) << 20) ^
                                           ::GetCurrentProcessId()};
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string name = ".quenby-";
    std::uint64_t value = generator();
    for (int i = 0; i < 12; ++i) {
        name.push_back(kDigits[value & 0xF]);
        value >>= 4;
    }
    name += ".tmp";
    return name;
}

// Deletes a temporary file even when it took over the source's read-only
// attribute.
void RemoveTemporary(const std::wstring& path) {
    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileW(path.c_str());
}

// Pushes a file's bytes to the disk. Flushing needs write access, which a
// copy of a read-only photo does not give until its attribute is lifted.
bool FlushFile(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return false;
    }
    const bool readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    if (readOnly && !::SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY)) {
        return false;
    }
    const HANDLE handle = ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    bool flushed = false;
    if (handle != INVALID_HANDLE_VALUE) {
        flushed = ::FlushFileBuffers(handle) != FALSE;
        ::CloseHandle(handle);
    }
    if (readOnly && !::SetFileAttributesW(path.c_str(), attributes)) {
        return false;
    }
    return flushed;
}

}  // namespace

bool CreateFolder(const std::string& path) {
    return !path.empty() && ::CreateDirectoryW(ToWide(path).c_str(), nullptr) != FALSE;
}

bool FileEntryExists(const std::string& path) {
    if (path.empty()) {
        return false;
    }
    const std::wstring wide = ToWide(path);
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return false;
    }
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        return (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    }
    // A link counts as what it points to; a dangling one as nothing.
    const HANDLE handle =
        ::CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    BY_HANDLE_FILE_INFORMATION info;
    const bool file = ::GetFileInformationByHandle(handle, &info) != FALSE &&
                      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    ::CloseHandle(handle);
    return file;
}

bool CopyFileNoReplace(const std::string& source, const std::string& target, bool flushToDisk) {
    const std::string name = NameOf(target);
    if (source.empty() || name.empty()) {
        return false;
    }
    const std::wstring wideTarget = ToWide(target);
    if (::GetFileAttributesW(wideTarget.c_str()) != INVALID_FILE_ATTRIBUTES) {
        return false;
    }
    // CopyFileW straight onto the target would leave a cut-short file there
    // when the card is pulled or the disk fills up. The bytes go into a
    // temporary file beside it, which takes the final name only when whole;
    // the fail-if-exists flag keeps us off any file that is already there.
    const std::wstring wideSource = ToWide(source);
    const std::string folder = FolderOf(target);
    std::wstring temporary;
    bool copied = false;
    for (int attempt = 0; attempt < 100 && !copied; ++attempt) {
        temporary = ToWide(folder + TemporaryName());
        copied = ::CopyFileW(wideSource.c_str(), temporary.c_str(), TRUE) != FALSE;
        if (!copied && ::GetLastError() != ERROR_FILE_EXISTS &&
            ::GetLastError() != ERROR_ALREADY_EXISTS) {
            return false;
        }
    }
    if (!copied) {
        return false;
    }
    if (flushToDisk && !FlushFile(temporary)) {
        RemoveTemporary(temporary);
        return false;
    }
    // No MOVEFILE_REPLACE_EXISTING: a file that appeared under the name
    // meanwhile stays, and this copy fails.
    const DWORD flags = flushToDisk ? MOVEFILE_WRITE_THROUGH : 0;
    if (!::MoveFileExW(temporary.c_str(), wideTarget.c_str(), flags)) {
        RemoveTemporary(temporary);
        return false;
    }
    return true;
}

bool DeleteFileUnlessReadOnly(const std::string& path) {
    // DeleteFileW itself refuses a read-only file.
    return !path.empty() && ::DeleteFileW(ToWide(path).c_str()) != FALSE;
}

bool FlushFolder(const std::string& path) {
    // Windows keeps folder entries in the file system's journal; there is
    // nothing to flush on its own, and the renames are written through.
    const DWORD attributes = ::GetFileAttributesW(ToWide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace quenby::platform
