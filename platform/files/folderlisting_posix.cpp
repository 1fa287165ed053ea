#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/files/filetime_posix.h"
#include "platform/files/folderhandle.h"
#include "platform/files/folderlisting.h"
#include "platform/files/nameorder.h"

namespace quenby::platform {
std::optional<FolderListing> FolderListing::Read(const std::string& path, Order order, Links links,
                                                 Failure& failure) {
    failure = Failure();
    if (path.empty()) {
        return std::nullopt;
    }
    const int flags =
        O_RDONLY | O_DIRECTORY | O_CLOEXEC | (links == Links::Refuse ? O_NOFOLLOW : 0);
    const int fd = ::open(path.c_str(), flags);
    if (fd < 0) {
        // A link refused by O_NOFOLLOW reads ELOOP, a file ENOTDIR: neither
        // is a folder to list. Anything else is a folder we failed to read.
        failure.Absent = errno == ENOENT || errno == ENOTDIR || errno == ELOOP;
        failure.Reason = std::strerror(errno);
        return std::nullopt;
    }
    return ReadOpen(fd, order, failure);
}

std::optional<FolderListing> FolderListing::Read(const FolderHandle& folder, Order order) {
    Failure ignored;
    const int fd = ::fcntl(folder.Descriptor(), F_DUPFD_CLOEXEC, 0);
    if (fd < 0) {
        return std::nullopt;
    }
    return ReadOpen(fd, order, ignored);
}

std::optional<FolderListing> FolderListing::ReadOpen(int fd, Order order, Failure& failure) {
    struct stat folderInfo {};
    if (::fstat(fd, &folderInfo) != 0) {
        failure = {false, std::strerror(errno)};
        ::close(fd);
        return std::nullopt;
    }
    // The listing keeps its own descriptor for the detail look-ups; the
    // directory stream gets a duplicate it may close.
    const int streamFd = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    DIR* stream = streamFd >= 0 ? ::fdopendir(streamFd) : nullptr;
    if (stream == nullptr) {
        failure = {false, std::strerror(errno)};
        if (streamFd >= 0) {
            ::close(streamFd);
        }
        ::close(fd);
        return std::nullopt;
    }

    FolderListing listing;
    listing.m_fd = fd;
    listing.m_identity = {static_cast<std::uint64_t>(folderInfo.st_dev),
                          static_cast<std::uint64_t>(folderInfo.st_ino)};
    int readError = 0;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(stream);
        if (entry == nullptr) {
            readError = errno;
            break;
        }
        const char* name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) {
            continue;
        }
        Kind kind = Kind::Other;
        if (entry->d_type == DT_DIR) {
            kind = Kind::Directory;
        } else if (entry->d_type == DT_LNK) {
            kind = Kind::Link;
        } else if (entry->d_type == DT_UNKNOWN) {
            kind = Kind::Unresolved;
        }
        listing.m_entries.push_back({name, kind});
    }
    // A folder that fails partway (an I/O error on a failing card) keeps
    // what was read, so those files can still be rescued, and says so.
    ::closedir(stream);
    if (readError != 0) {
        failure = {false, std::strerror(readError)};
    }
    if (order == Order::AsStored) {
        return listing;
    }
    std::sort(listing.m_entries.begin(), listing.m_entries.end(),
              [](const Entry& a, const Entry& b) { return FolderNameLess(a.Name, b.Name); });
    return listing;
}

FolderListing::FolderListing(FolderListing&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)),
      m_identity(other.m_identity),
      m_entries(std::move(other.m_entries)) {}

FolderListing& FolderListing::operator=(FolderListing&& other) noexcept {
    if (this != &other) {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        m_fd = std::exchange(other.m_fd, -1);
        m_identity = other.m_identity;
        m_entries = std::move(other.m_entries);
    }
    return *this;
}

FolderListing::~FolderListing() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

bool FolderListing::IsDirectory(std::size_t index) const {
    const Entry& entry = m_entries[index];
    if (entry.Type == Kind::Directory || entry.Type == Kind::Other) {
        return entry.Type == Kind::Directory;
    }
    struct stat info {};
    return ::fstatat(m_fd, entry.Name.c_str(), &info, 0) == 0 && S_ISDIR(info.st_mode);
}

bool FolderListing::IsPlainFolder(std::size_t index) const {
    const Entry& entry = m_entries[index];
    if (entry.Type != Kind::Unresolved) {
        return entry.Type == Kind::Directory;
    }
    struct stat info {};
    return ::fstatat(m_fd, entry.Name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
           S_ISDIR(info.st_mode);
}

FolderListing::Resolved FolderListing::Resolve(std::size_t index) const {
    const Entry& entry = m_entries[index];
    if (entry.Type == Kind::Directory) {
        return Resolved::Folder;
    }
    if (entry.Type == Kind::Other) {
        return Resolved::File;
    }
    struct stat info {};
    if (::fstatat(m_fd, entry.Name.c_str(), &info, 0) != 0) {
        return Resolved::DanglingLink;
    }
    return S_ISDIR(info.st_mode) ? Resolved::Folder : Resolved::File;
}

bool FolderListing::Details(std::size_t index, EntryDetails& details) const {
    const Entry& entry = m_entries[index];
    struct stat info {};
    if (::fstatat(m_fd, entry.Name.c_str(), &info, 0) != 0 &&
        ::fstatat(m_fd, entry.Name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
        return false;
    }
    std::uint32_t attributes = 0;
    if (S_ISDIR(info.st_mode)) {
        attributes |= kAttributeDirectory;
    } else if (!S_ISREG(info.st_mode)) {
        attributes |= kAttributeDevice;
    }
    // A FAT medium shows its read-only attribute as missing write bits.
    if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        attributes |= kAttributeReadOnly;
    }
    if (entry.Name.front() == '.') {
        attributes |= kAttributeHidden;
    }
    details.Attributes = attributes == 0 ? kAttributeNormal : attributes;
    details.LastWriteTime = FileTimeOf(info.st_mtim);
    details.Size = info.st_size < 0 ? 0 : static_cast<std::uint64_t>(info.st_size);
    details.Device = static_cast<std::uint64_t>(info.st_dev);
    details.Inode = static_cast<std::uint64_t>(info.st_ino);
    return true;
}

std::vector<bool> FolderListing::Matches(const WildcardPattern& pattern) const {
    std::vector<bool> matches(m_entries.size(), false);
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        matches[i] = pattern.Matches(m_entries[i].Name);
    }
    return matches;
}

}  // namespace quenby::platform
