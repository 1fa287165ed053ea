#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/files/filetime_posix.h"
#include "platform/files/folderhandle.h"

namespace quenby::platform {
namespace {

FolderIdentity IdentityOf(const struct stat& info) {
    return {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
}

bool NotOffered(int error) {
    return error == EINVAL || error == ENOSYS || error == EOPNOTSUPP || error == ENOTSUP;
}

std::optional<FolderHandle> Failed(FolderHandle::Failure* failure, int error) {
    if (failure != nullptr) {
        failure->Absent = error == ENOENT;
        failure->TooManyOpenFiles = error == EMFILE || error == ENFILE;
        failure->Reason = std::strerror(error);
    }
    return std::nullopt;
}

}  // namespace

std::optional<FolderHandle> FolderHandle::Open(const std::string& path, Failure* failure) {
    if (path.empty()) {
        return Failed(failure, ENOENT);
    }
    FolderHandle folder;
    folder.m_fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    struct stat info {};
    if (folder.m_fd < 0 || ::fstat(folder.m_fd, &info) != 0) {
        return Failed(failure, errno);
    }
    folder.m_path = path;
    folder.m_identity = IdentityOf(info);
    return folder;
}

FolderHandle::FolderHandle(FolderHandle&& other) noexcept
    : m_path(std::move(other.m_path)),
      m_identity(other.m_identity),
      m_fd(std::exchange(other.m_fd, -1)) {}

FolderHandle& FolderHandle::operator=(FolderHandle&& other) noexcept {
    if (this != &other) {
        Close();
        m_path = std::move(other.m_path);
        m_identity = other.m_identity;
        m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
}

FolderHandle::~FolderHandle() {
    Close();
}

void FolderHandle::Close() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

std::optional<FolderHandle> FolderHandle::OpenChild(const std::string& name,
                                                    Failure* failure) const {
    if (name.empty()) {
        return Failed(failure, ENOENT);
    }
    FolderHandle child;
    child.m_fd = ::openat(m_fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    struct stat info {};
    if (child.m_fd < 0 || ::fstat(child.m_fd, &info) != 0) {
        return Failed(failure, errno);
    }
    child.m_path = m_path;
    if (child.m_path.empty() || child.m_path.back() != '/') {
        child.m_path.push_back('/');
    }
    child.m_path += name;
    child.m_identity = IdentityOf(info);
    return child;
}

FileStatus FolderHandle::CreateChild(const std::string& name) const {
    if (name.empty()) {
        return FileStatus{false, std::strerror(ENOENT)};
    }
    if (::mkdirat(m_fd, name.c_str(), 0777) != 0) {
        return FileStatus{false, std::strerror(errno)};
    }
    return {};
}

bool FolderHandle::HoldsFolder(const std::string& name) const {
    struct stat info {};
    return ::fstatat(m_fd, name.c_str(), &info, 0) == 0 && S_ISDIR(info.st_mode);
}

std::optional<FileFacts> FolderHandle::FactsOf(const std::string& name) const {
    struct stat info {};
    if (::fstatat(m_fd, name.c_str(), &info, 0) != 0 || !S_ISREG(info.st_mode) ||
        info.st_size < 0) {
        return std::nullopt;
    }
    return FileFacts{static_cast<std::uint64_t>(info.st_size), FileTimeOf(info.st_mtim)};
}

FolderHandle::Place FolderHandle::WhereIs(const std::string& path) const {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 ||
        static_cast<std::uint64_t>(info.st_dev) != m_identity.Device) {
        return Place::OtherDrive;
    }
    return IdentityOf(info) == m_identity ? Place::Same : Place::OtherFolder;
}

// FUSE, network and some other file systems cannot flush a single folder;
// flushing all of the file system serves there, and only a real failure
// counts.
FileStatus FolderHandle::FlushFileSystem() const {
    if (::syncfs(m_fd) == 0) {
        return {};
    }
    return FileStatus{false, std::strerror(errno)};
}

FileStatus FolderHandle::Flush() const {
    if (::fsync(m_fd) == 0) {
        return {};
    }
    if (!NotOffered(errno) && errno != EBADF && errno != EROFS) {
        return FileStatus{false, std::strerror(errno)};
    }
    if (::syncfs(m_fd) == 0) {
        return {};
    }
    return FileStatus{false, std::strerror(errno)};
}

}  // namespace quenby::platform
