#include <windows.h>

#include <atomic>
#include <cstdint>
#include <cstring>

#include "platform/files/copytesthooks.h"
#include "platform/files/fileops.h"
#include "platform/files/folderhandle.h"
#include "platform/files/temporaryname.h"
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

std::int64_t Ticks(const FILETIME& time) {
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(time.dwHighDateTime) << 32) |
                                     time.dwLowDateTime);
}

// The identity of an open file: volume, file index, size and times.
bool IdentityOf(HANDLE file, FileIdentity& identity) {
    BY_HANDLE_FILE_INFORMATION info;
    FILE_BASIC_INFO basic;
    if (!::GetFileInformationByHandle(file, &info) ||
        !::GetFileInformationByHandleEx(file, FileBasicInfo, &basic, sizeof basic)) {
        return false;
    }
    identity.Device = info.dwVolumeSerialNumber;
    identity.Inode = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    identity.Size = static_cast<std::int64_t>(
        (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow);
    identity.LastWrite = Ticks(info.ftLastWriteTime);
    identity.Change = basic.ChangeTime.QuadPart;
    return true;
}

HANDLE OpenForIdentity(const std::wstring& path, DWORD access) {
    return ::CreateFileW(path.c_str(), access | FILE_READ_ATTRIBUTES,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

std::string LastErrorText() {
    return WindowsErrorText(::GetLastError());
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
    DWORD error = ::GetLastError();
    if (handle != INVALID_HANDLE_VALUE) {
        flushed = ::FlushFileBuffers(handle) != FALSE;
        error = ::GetLastError();
        ::CloseHandle(handle);
    }
    if (readOnly && !::SetFileAttributesW(path.c_str(), attributes)) {
        return false;
    }
    ::SetLastError(error);
    return flushed;
}

bool NameTaken(DWORD error) {
    return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS;
}

// Reads up to `size` bytes, fewer only at the end of the file.
bool ReadUpTo(HANDLE file, char* buffer, DWORD size, DWORD& got) {
    got = 0;
    while (got < size) {
        DWORD now = 0;
        if (!::ReadFile(file, buffer + got, size - got, &now, nullptr)) {
            return false;
        }
        if (now == 0) {
            break;
        }
        got += now;
    }
    return true;
}

// Reads the flushed copy back past the system's cache (unbuffered reads of
// whole sectors into page-aligned memory) and compares it with the source.
// Empty when they are equal; else why not.
std::string VerificationFailure(const std::wstring& source, const std::wstring& copy) {
    constexpr DWORD kChunk = 1024 * 1024;
    constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE written = ::CreateFileW(copy.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_NO_BUFFERING, nullptr);
    if (written == INVALID_HANDLE_VALUE && ::GetLastError() == ERROR_INVALID_PARAMETER) {
        // A file system that cannot read unbuffered: the flush has to do.
        written = ::CreateFileW(copy.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                0, nullptr);
    }
    const HANDLE original =
        ::CreateFileW(source.c_str(), GENERIC_READ, kShare, nullptr, OPEN_EXISTING, 0, nullptr);
    char* const buffers =
        static_cast<char*>(::VirtualAlloc(nullptr, 2 * kChunk, MEM_COMMIT, PAGE_READWRITE));
    std::string failure;
    if (written == INVALID_HANDLE_VALUE || original == INVALID_HANDLE_VALUE || buffers == nullptr) {
        failure = LastErrorText();
    }
    for (DWORD got = kChunk; failure.empty() && got == kChunk;) {
        DWORD fromSource = 0;
        if (!ReadUpTo(written, buffers, kChunk, got) ||
            !ReadUpTo(original, buffers + kChunk, kChunk, fromSource)) {
            failure = LastErrorText();
        } else if (got != fromSource || std::memcmp(buffers, buffers + kChunk, got) != 0) {
            failure = "the copy read back from the disk differs from the source";
        }
    }
    for (const HANDLE handle : {written, original}) {
        if (handle != INVALID_HANDLE_VALUE) {
            ::CloseHandle(handle);
        }
    }
    if (buffers != nullptr) {
        ::VirtualFree(buffers, 0, MEM_RELEASE);
    }
    return failure.empty() ? failure : "verification failed: " + failure;
}

#ifdef QUENBY_TEST_HOOKS
// Changes one byte in the middle of a flushed copy, on the disk.
void DamageForTests(const std::wstring& path) {
    const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_WRITE_THROUGH, nullptr);
    LARGE_INTEGER size{};
    if (file == INVALID_HANDLE_VALUE) {
        return;
    }
    if (::GetFileSizeEx(file, &size) && size.QuadPart > 0) {
        LARGE_INTEGER middle{};
        middle.QuadPart = size.QuadPart / 2;
        char byte = 0;
        DWORD done = 0;
        if (::SetFilePointerEx(file, middle, nullptr, FILE_BEGIN) &&
            ::ReadFile(file, &byte, 1, &done, nullptr) && done == 1 &&
            ::SetFilePointerEx(file, middle, nullptr, FILE_BEGIN)) {
            byte = static_cast<char>(byte ^ 0x20);
            ::WriteFile(file, &byte, 1, &done, nullptr);
            ::FlushFileBuffers(file);
        }
    }
    ::CloseHandle(file);
}
#endif

}  // namespace

FileStatus CreateFolder(const std::string& path) {
    if (path.empty()) {
        return FileStatus{false, WindowsErrorText(ERROR_PATH_NOT_FOUND)};
    }
    if (::CreateDirectoryW(ToWide(path).c_str(), nullptr) == FALSE) {
        return FileStatus{false, LastErrorText()};
    }
    return {};
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

// Gives up a copy under way once the caller asks for it.
DWORD CALLBACK CopyProgress(LARGE_INTEGER, LARGE_INTEGER, LARGE_INTEGER, LARGE_INTEGER, DWORD,
                            DWORD, HANDLE, HANDLE, LPVOID abandon) {
    return static_cast<const std::atomic<bool>*>(abandon)->load() ? PROGRESS_CANCEL
                                                                  : PROGRESS_CONTINUE;
}

CopyResult CopyFileNoReplace(const std::string& source, const std::string& target,
                             bool flushToDisk) {
    return CopyFileNoReplace(source, target, CopyChecks{.FlushToDisk = flushToDisk});
}

CopyResult CopyFileNoReplace(const std::string& source, const FolderHandle& folder,
                             const std::string& name, const CopyChecks& checks) {
    return CopyFileNoReplace(source, folder.PathOf(name), checks);
}

CopyResult CopyFileNoReplace(const std::string& source, const std::string& target,
                             const CopyChecks& checks) {
    const bool flushToDisk = checks.FlushToDisk;
    CopyResult result;
    const std::string name = NameOf(target);
    if (source.empty() || name.empty()) {
        result.Reason = WindowsErrorText(ERROR_INVALID_NAME);
        return result;
    }
    const std::wstring wideSource = ToWide(source);
    const HANDLE from = OpenForIdentity(wideSource, 0);
    if (from == INVALID_HANDLE_VALUE) {
        result.Reason = LastErrorText();
        return result;
    }
    const bool identified = IdentityOf(from, result.Source);
    const DWORD identityError = ::GetLastError();
    ::CloseHandle(from);
    if (!identified) {
        result.Reason = WindowsErrorText(identityError);
        return result;
    }
    if (checks.ExpectedSource &&
        *checks.ExpectedSource != FileKey{result.Source.Device, result.Source.Inode}) {
        result.Reason = "it is no longer the file that was found there (was its drive removed?)";
        return result;
    }
    const std::wstring wideTarget = ToWide(target);
    const DWORD existing = ::GetFileAttributesW(wideTarget.c_str());
    if (existing != INVALID_FILE_ATTRIBUTES) {
        if ((existing & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            result.Reason = WindowsErrorText(ERROR_DIRECTORY);
        } else {
            result.Outcome = CopyOutcome::Exists;
        }
        return result;
    }
    // CopyFileW straight onto the target would leave a cut-short file there
    // when the card is pulled or the disk fills up. The bytes go into a
    // temporary file beside it, which takes the final name only when whole;
    // the fail-if-exists flag keeps us off any file that is already there.
    const std::string folder = FolderOf(target);
    std::wstring temporary;
    bool copied = false;
    for (int attempt = 0; attempt < 100 && !copied; ++attempt) {
        temporary = ToWide(folder + TemporaryName(name));
        copied = ::CopyFileExW(wideSource.c_str(), temporary.c_str(),
                               checks.Abandon != nullptr ? CopyProgress : nullptr,
                               const_cast<std::atomic<bool>*>(checks.Abandon), nullptr,
                               COPY_FILE_FAIL_IF_EXISTS) != FALSE;
        if (!copied && ::GetLastError() == ERROR_REQUEST_ABORTED) {
            // CopyFileExW removes what it wrote of a cancelled copy itself.
            result.Reason = "stopped before the copy was complete";
            result.Failure = CopyFailure::Abandoned;
            return result;
        }
        if (!copied && !NameTaken(::GetLastError())) {
            result.Reason = LastErrorText();
            return result;
        }
    }
    if (!copied) {
        result.Reason = LastErrorText();
        return result;
    }
    if ((flushToDisk || checks.Verify) && !FlushFile(temporary)) {
        result.Reason = LastErrorText();
        RemoveTemporary(temporary);
        return result;
    }
#ifdef QUENBY_TEST_HOOKS
    if (testhooks::DamageCopy(name)) {
        DamageForTests(temporary);
    }
#endif
    // Checked before the copy takes its name: a damaged copy never shows
    // under it.
    if (checks.Verify) {
        result.Reason = VerificationFailure(wideSource, temporary);
        if (!result.Reason.empty()) {
            RemoveTemporary(temporary);
            return result;
        }
    }
    // No MOVEFILE_REPLACE_EXISTING: a file that appeared under the name
    // meanwhile stays, and this copy reads as existing.
    const DWORD flags = flushToDisk ? MOVEFILE_WRITE_THROUGH : 0;
    if (!::MoveFileExW(temporary.c_str(), wideTarget.c_str(), flags)) {
        const DWORD error = ::GetLastError();
        RemoveTemporary(temporary);
        if (NameTaken(error)) {
            result.Outcome = CopyOutcome::Exists;
        } else {
            result.Reason = WindowsErrorText(error);
        }
        return result;
    }
    // Windows keeps folder entries in the file system's journal, and the
    // rename was written through: there is no folder to flush on its own.
    result.Outcome = CopyOutcome::Copied;
    return result;
}

std::optional<FileIdentity> IdentityOfFile(const std::string& path) {
    if (path.empty()) {
        return std::nullopt;
    }
    const HANDLE file = OpenForIdentity(ToWide(path), 0);
    if (file == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    FileIdentity identity;
    const bool identified = IdentityOf(file, identity);
    ::CloseHandle(file);
    return identified ? std::optional<FileIdentity>(identity) : std::nullopt;
}

DeleteResult DeleteSourceIfUnchanged(const std::string& path, const FileIdentity& copied) {
    if (path.empty()) {
        return {DeleteOutcome::Failed, WindowsErrorText(ERROR_FILE_NOT_FOUND)};
    }
    const std::wstring wide = ToWide(path);
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return {DeleteOutcome::Failed, LastErrorText()};
    }
    // The file is deleted through the very handle whose identity was
    // checked, so nothing can slip in between.
    const bool readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    const HANDLE file = OpenForIdentity(wide, readOnly ? 0 : DELETE);
    if (file == INVALID_HANDLE_VALUE) {
        return {DeleteOutcome::Failed, LastErrorText()};
    }
    FileIdentity now;
    DeleteResult result;
    if (!IdentityOf(file, now)) {
        result = {DeleteOutcome::Failed, LastErrorText()};
    } else if (now != copied) {
        result = {DeleteOutcome::Changed, {}};
    } else if (readOnly) {
        // Windows itself refuses to delete a read-only file.
        result = {DeleteOutcome::ReadOnly, {}};
    } else {
        FILE_DISPOSITION_INFO disposition{TRUE};
        if (::SetFileInformationByHandle(file, FileDispositionInfo, &disposition,
                                         sizeof disposition)) {
            result = {DeleteOutcome::Deleted, {}};
        } else {
            result = {DeleteOutcome::Failed, LastErrorText()};
        }
    }
    ::CloseHandle(file);
    return result;
}

FileStatus FlushFolder(const std::string& path) {
    // Windows keeps folder entries in the file system's journal; there is
    // nothing to flush on its own, and the renames are written through.
    const DWORD attributes = ::GetFileAttributesW(ToWide(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return FileStatus{false, LastErrorText()};
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        return FileStatus{false, WindowsErrorText(ERROR_DIRECTORY)};
    }
    return {};
}

std::vector<std::string> FindLeftoverCopies(const std::string&) {
    return {};
}

std::vector<std::string> RemoveLeftoverCopies(const FolderHandle&) {
    return {};
}

std::vector<std::string> RemoveLeftoverCopies(const std::string&) {
    // No claims are made here: MoveFileExW never replaces. A killed copy's
    // temporary file stays, as before; no mask matches its name. Between
    // CopyFileW and the move the file is not held open, so another run could
    // not tell it from a leftover.
    return {};
}

}  // namespace quenby::platform
