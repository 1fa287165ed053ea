#include <windows.h>

#include <utility>

#include "platform/files/folderhandle.h"
#include "platform/files/pathsep.h"
#include "platform/text/widetext.h"

namespace quenby::platform {
namespace {

// Windows names files by path only for the calls a copy needs, so a folder
// handle keeps its path and checks the volume instead: a drive that goes
// away takes its volume serial number with it, and a folder made anew
// under the same path has another file index.
HANDLE OpenFolder(const std::wstring& path) {
    return ::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

bool FolderInformation(HANDLE handle, FolderIdentity& identity) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!::GetFileInformationByHandle(handle, &info)) {
        return false;
    }
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        ::SetLastError(ERROR_DIRECTORY);
        return false;
    }
    identity.Device = info.dwVolumeSerialNumber;
    identity.Inode = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return true;
}

std::optional<FolderHandle> Failed(FolderHandle::Failure* failure, DWORD error) {
    if (failure != nullptr) {
        failure->Absent = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
        failure->TooManyOpenFiles = error == ERROR_TOO_MANY_OPEN_FILES;
        failure->Reason = WindowsErrorText(error);
    }
    return std::nullopt;
}

std::string Joined(const std::string& folder, const std::string& name) {
    std::string path = folder;
    if (!path.empty() && !IsPathDelimiter(path.back())) {
        path.push_back(kPathSeparator);
    }
    return path + name;
}

}  // namespace

std::optional<FolderHandle> FolderHandle::Open(const std::string& path, Failure* failure) {
    if (path.empty()) {
        return Failed(failure, ERROR_PATH_NOT_FOUND);
    }
    FolderHandle folder;
    const HANDLE handle = OpenFolder(ToWide(path));
    if (handle == INVALID_HANDLE_VALUE) {
        return Failed(failure, ::GetLastError());
    }
    folder.m_handle = handle;
    if (!FolderInformation(handle, folder.m_identity)) {
        return Failed(failure, ::GetLastError());
    }
    folder.m_path = path;
    return folder;
}

FolderHandle::FolderHandle(FolderHandle&& other) noexcept
    : m_path(std::move(other.m_path)),
      m_identity(other.m_identity),
      m_handle(std::exchange(other.m_handle, nullptr)) {}

FolderHandle& FolderHandle::operator=(FolderHandle&& other) noexcept {
    if (this != &other) {
        Close();
        m_path = std::move(other.m_path);
        m_identity = other.m_identity;
        m_handle = std::exchange(other.m_handle, nullptr);
    }
    return *this;
}

FolderHandle::~FolderHandle() {
    Close();
}

void FolderHandle::Close() {
    if (m_handle != nullptr) {
        ::CloseHandle(m_handle);
        m_handle = nullptr;
    }
}

std::string FolderHandle::PathOf(const std::string& name) const {
    return Joined(m_path, name);
}

std::optional<FolderHandle> FolderHandle::OpenChild(const std::string& name,
                                                    Failure* failure) const {
    if (name.empty()) {
        return Failed(failure, ERROR_PATH_NOT_FOUND);
    }
    return Open(PathOf(name), failure);
}

FileStatus FolderHandle::CreateChild(const std::string& name) const {
    if (name.empty() || ::CreateDirectoryW(ToWide(PathOf(name)).c_str(), nullptr) == FALSE) {
        return FileStatus{false,
                          WindowsErrorText(name.empty() ? ERROR_PATH_NOT_FOUND : ::GetLastError())};
    }
    return {};
}

bool FolderHandle::HoldsFolder(const std::string& name) const {
    const DWORD attributes = ::GetFileAttributesW(ToWide(PathOf(name)).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::optional<FileFacts> FolderHandle::FactsOf(const std::string& name) const {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExW(ToWide(PathOf(name)).c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return std::nullopt;
    }
    return FileFacts{(static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow,
                     (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                         data.ftLastWriteTime.dwLowDateTime};
}

FolderHandle::Place FolderHandle::WhereIs(const std::string& path) const {
    const HANDLE handle = OpenFolder(ToWide(path));
    if (handle == INVALID_HANDLE_VALUE) {
        return Place::OtherDrive;
    }
    FolderIdentity now;
    const bool known = FolderInformation(handle, now);
    ::CloseHandle(handle);
    if (!known || now.Device != m_identity.Device) {
        return Place::OtherDrive;
    }
    return now == m_identity ? Place::Same : Place::OtherFolder;
}

FileStatus FolderHandle::FlushFileSystem() const {
    // Only an administrator may flush a whole volume; the copies were
    // flushed one by one instead.
    return {};
}

FileStatus FolderHandle::Flush() const {
    // Windows keeps folder entries in the file system's journal; there is
    // nothing to flush on its own, and the renames are written through.
    return {};
}

}  // namespace quenby::platform
