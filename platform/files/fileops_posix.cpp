#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <random>
#include <string_view>

#include "platform/files/fileops.h"
#include "platform/files/pathsep.h"

namespace quenby::platform {
namespace {

// Closes a descriptor when it goes out of scope.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : m_fd(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() { Reset(); }

    int Get() const { return m_fd; }
    bool Valid() const { return m_fd >= 0; }
    // Closes now and reports whether the close succeeded: a network file
    // system may only tell about a failed write at this point.
    bool Close() {
        const int fd = m_fd;
        m_fd = -1;
        return fd < 0 || ::close(fd) == 0;
    }
    void Reset(int fd = -1) {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        m_fd = fd;
    }

private:
    int m_fd;
};

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind(kPathSeparator);
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? std::string(1, kPathSeparator) : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const std::size_t slash = path.rfind(kPathSeparator);
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string TemporaryName() {
    thread_local std::mt19937_64 generator{std::random_device{}() ^
                                           (static_cast<std::uint64_t>(::getpid()) << 32)};
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

bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

bool CopyWithReadWrite(int from, int to) {
    static constexpr std::size_t kBufferSize = 256 * 1024;
    std::string buffer(kBufferSize, '\0');
    for (;;) {
        const ssize_t got = ::read(from, buffer.data(), buffer.size());
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (got == 0) {
            return true;
        }
        if (!WriteAll(to, buffer.data(), static_cast<std::size_t>(got))) {
            return false;
        }
    }
}

// copy_file_range lets the kernel copy without a round trip through user
// space, and shares the blocks (reflink) where the file system offers it.
// Some file systems refuse it or report no data for files that have some;
// the rest then goes through read and write.
bool CopyContents(int from, int to, std::int64_t expectedSize) {
    std::int64_t copied = 0;
    for (;;) {
        const ssize_t got = ::copy_file_range(from, nullptr, to, nullptr, std::size_t{1} << 30, 0);
        if (got > 0) {
            copied += got;
            continue;
        }
        if (got == 0 && copied >= expectedSize) {
            return true;
        }
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0 && errno != EXDEV && errno != EINVAL && errno != ENOSYS &&
            errno != EOPNOTSUPP && errno != EBADF && errno != EPERM) {
            return false;
        }
        // Both descriptors stand at the same offsets, so read/write goes on
        // exactly where the kernel copy stopped.
        return CopyWithReadWrite(from, to);
    }
}

// Gives the temporary file its final name, failing when that name is taken.
bool ClaimName(int folder, const std::string& temporary, const std::string& name) {
    if (::renameat2(folder, temporary.c_str(), folder, name.c_str(), RENAME_NOREPLACE) == 0) {
        return true;
    }
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) {
        return false;
    }
    // File systems without the no-replace rename: a hard link fails just as
    // surely when the name exists.
    if (::linkat(folder, temporary.c_str(), folder, name.c_str(), 0) != 0) {
        return false;
    }
    ::unlinkat(folder, temporary.c_str(), 0);
    return true;
}

}  // namespace

bool CreateFolder(const std::string& path) {
    return !path.empty() && ::mkdir(path.c_str(), 0777) == 0;
}

bool FileEntryExists(const std::string& path) {
    struct stat info {};
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

bool CopyFileNoReplace(const std::string& source, const std::string& target, bool flushToDisk) {
    const std::string name = NameOf(target);
    if (source.empty() || name.empty()) {
        return false;
    }
    // Non-blocking, so that a pipe or device posing as a photo cannot stall the run.
    FileDescriptor from(::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    struct stat sourceInfo {};
    if (!from.Valid() || ::fstat(from.Get(), &sourceInfo) != 0 || !S_ISREG(sourceInfo.st_mode)) {
        return false;
    }
    const int flags = ::fcntl(from.Get(), F_GETFL);
    if (flags < 0 || ::fcntl(from.Get(), F_SETFL, flags & ~O_NONBLOCK) != 0) {
        return false;
    }

    FileDescriptor folder(::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.Valid()) {
        return false;
    }
    struct stat existing {};
    if (::fstatat(folder.Get(), name.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0) {
        return false;
    }

    std::string temporary;
    FileDescriptor to;
    for (int attempt = 0; attempt < 100 && !to.Valid(); ++attempt) {
        temporary = TemporaryName();
        to.Reset(::openat(folder.Get(), temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                          0600));
        if (!to.Valid() && errno != EEXIST) {
            return false;
        }
    }
    if (!to.Valid()) {
        return false;
    }

    const struct timespec times[2] = {sourceInfo.st_atim, sourceInfo.st_mtim};
    bool complete = CopyContents(from.Get(), to.Get(), sourceInfo.st_size) &&
                    ::fchmod(to.Get(), sourceInfo.st_mode & 0777) == 0 &&
                    ::futimens(to.Get(), times) == 0 && (!flushToDisk || ::fsync(to.Get()) == 0);
    complete = to.Close() && complete;
    if (!complete || !ClaimName(folder.Get(), temporary, name)) {
        ::unlinkat(folder.Get(), temporary.c_str(), 0);
        return false;
    }
    if (flushToDisk && ::fsync(folder.Get()) != 0) {
        // The copy stands under its name, but it is not known to be on the
        // disk, so the caller must not delete the source.
        return false;
    }
    return true;
}

bool DeleteFileUnlessReadOnly(const std::string& path) {
    if (path.empty()) {
        return false;
    }
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        errno = EACCES;
        return false;
    }
    return ::unlink(path.c_str()) == 0;
}

bool FlushFolder(const std::string& path) {
    FileDescriptor folder(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return folder.Valid() && ::fsync(folder.Get()) == 0;
}

}  // namespace quenby::platform
