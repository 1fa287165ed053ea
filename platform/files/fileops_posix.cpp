#include "platform/files/fileops_posix.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <linux/msdos_fs.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "platform/files/copytesthooks.h"
#include "platform/files/fileops.h"
#include "platform/files/folderhandle.h"
#include "platform/files/pathsep.h"
#include "platform/files/temporaryname.h"

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

std::string ErrorText(int error) {
    return std::strerror(error);
}

FileStatus Failure(int error) {
    return FileStatus{false, ErrorText(error)};
}

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

std::int64_t Nanoseconds(const struct timespec& time) {
    return static_cast<std::int64_t>(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

FileIdentity IdentityOf(const struct stat& info) {
    FileIdentity identity;
    identity.Device = info.st_dev;
    identity.Inode = info.st_ino;
    identity.Size = info.st_size;
    identity.LastWrite = Nanoseconds(info.st_mtim);
    identity.Change = Nanoseconds(info.st_ctim);
    return identity;
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

// Reads what is there; a source opened non-blocking (so that a pipe posing
// as a photo cannot stall the run) is switched back when a file system
// takes that flag at its word.
ssize_t ReadSome(int from, char* buffer, std::size_t size) {
    for (;;) {
        const ssize_t got = ::read(from, buffer, size);
        if (got >= 0 || (errno != EINTR && errno != EAGAIN)) {
            return got;
        }
        if (errno == EAGAIN) {
            const int flags = ::fcntl(from, F_GETFL);
            if (flags < 0 || ::fcntl(from, F_SETFL, flags & ~O_NONBLOCK) != 0) {
                return -1;
            }
        }
    }
}

// Copies to the end of the file, not to the size the file system gave:
// phone bridges report 32-bit sizes for big videos, and a FUSE file system
// read directly may hold more than it says. Returns the bytes copied, or -1
// with errno set (ECANCELED when the copy was given up). copy_file_range
// lets the kernel copy without a round trip through user space, and shares
// the blocks (reflink) where the file system offers it, but it stops at the
// stated size: beyond that (unless the file system's sizes hold), and where
// it is refused, read and write go on at the same offsets until a read
// finds the end. Both go in pieces, so
// that a stop request breaks off a long copy from a slow card at once.
std::int64_t CopyContents(int from, int to, std::int64_t statedSize, bool sizeHolds,
                          const std::atomic<bool>* abandon) {
    constexpr std::int64_t kKernelChunk = 4 * 1024 * 1024;
    constexpr std::size_t kBufferSize = 256 * 1024;
    // Once per thread: a run copies thousands of small photos.
    thread_local const std::unique_ptr<char[]> buffer(new char[kBufferSize]);
    std::int64_t copied = 0;
    bool kernel = true;
    for (;;) {
        if (abandon != nullptr && abandon->load()) {
            errno = ECANCELED;
            return -1;
        }
        if (kernel && copied < statedSize) {
            const ssize_t got = ::copy_file_range(
                from, nullptr, to, nullptr,
                static_cast<std::size_t>(std::min(statedSize - copied, kKernelChunk)), 0);
            if (got > 0) {
                copied += got;
                if (copied == statedSize && sizeHolds) {
                    return copied;
                }
            } else if (got < 0 && errno == EINTR) {
                continue;
            } else if (got < 0 && errno != EXDEV && errno != EINVAL && errno != ENOSYS &&
                       errno != EOPNOTSUPP && errno != EBADF && errno != EPERM && errno != EAGAIN) {
                return -1;
            } else {
                kernel = false;
            }
            continue;
        }
        const ssize_t got = ReadSome(from, buffer.get(), kBufferSize);
        if (got < 0) {
            return -1;
        }
        if (got == 0) {
            return copied;
        }
        if (!WriteAll(to, buffer.get(), static_cast<std::size_t>(got))) {
            return -1;
        }
        copied += got;
    }
}

// The process's file-creation mask, read without changing it; all bits
// (so that every mode is set explicitly) where the kernel does not say.
mode_t ProcessUmask() {
    static const mode_t mask = [] {
        std::ifstream status("/proc/self/status");
        for (std::string line; std::getline(status, line);) {
            if (line.starts_with("Umask:")) {
                return static_cast<mode_t>(std::stoul(line.substr(6), nullptr, 8));
            }
        }
        return static_cast<mode_t>(0777);
    }();
    return mask;
}

// Answers of a file system that does not offer a call at all, as opposed to
// one that tried and failed.
bool NotOffered(int error) {
    return error == EINVAL || error == ENOSYS || error == EOPNOTSUPP || error == ENOTSUP;
}

// Held while a copy may leave a temporary file or a claim in a folder, so
// that another run does not take them for a killed run's leftovers. Where
// the file system has no locks, nobody removes leftovers there either.
class FolderLock {
public:
    FolderLock(int folder, int operation) : m_folder(folder) {
        while (!m_held) {
            m_held = ::flock(folder, operation) == 0;
            if (!m_held && errno != EINTR) {
                break;
            }
        }
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;
    ~FolderLock() {
        if (m_held) {
            ::flock(m_folder, LOCK_UN);
        }
    }
    bool Held() const { return m_held; }

private:
    int m_folder;
    bool m_held = false;
};

// The naming method found to work on each device, so that the methods a
// file system lacks are tried once per run, not once per file.
class KnownMethods {
public:
    NamingMethod For(dev_t device) {
        const std::lock_guard<std::mutex> lock(m_mutex);
        const auto known = m_methods.find(device);
        return known == m_methods.end() ? NamingMethod::UnnamedFile : known->second;
    }
    void Remember(dev_t device, NamingMethod method) {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_methods[device] = method;
    }

private:
    std::mutex m_mutex;
    std::unordered_map<dev_t, NamingMethod> m_methods;
};

KnownMethods& Known() {
    static KnownMethods methods;
    return methods;
}

// Whether a file system's sizes can be taken at their word. The kernel's own
// disk file systems keep them; FUSE and network file systems pass on what a
// driver or server says (phone bridges report 32-bit sizes for big videos),
// and their files are read until a read finds the end. Asked once per device.
bool SizesHold(dev_t device, int fd) {
    static std::mutex mutex;
    static std::unordered_map<dev_t, bool> known;
    const std::lock_guard<std::mutex> lock(mutex);
    if (const auto found = known.find(device); found != known.end()) {
        return found->second;
    }
    constexpr std::array<unsigned long, 13> kDiskFileSystems = {
        EXT4_SUPER_MAGIC,    XFS_SUPER_MAGIC,        BTRFS_SUPER_MAGIC, TMPFS_MAGIC,
        MSDOS_SUPER_MAGIC,   0x2011BAB0 /* exFAT */, F2FS_SUPER_MAGIC,  0x7366746E /* NTFS */,
        ISOFS_SUPER_MAGIC,   UDF_SUPER_MAGIC,        SQUASHFS_MAGIC,    RAMFS_MAGIC,
        EROFS_SUPER_MAGIC_V1};
    struct statfs system {};
    const bool holds =
        ::fstatfs(fd, &system) == 0 &&
        std::find(kDiskFileSystems.begin(), kDiskFileSystems.end(),
                  static_cast<unsigned long>(system.f_type)) != kDiskFileSystems.end();
    known.emplace(device, holds);
    return holds;
}

}  // namespace

namespace {

// Reads exactly `size` bytes at `offset`; fewer only at the end of the file.
ssize_t ReadAt(int fd, char* buffer, std::size_t size, off_t offset) {
    std::size_t got = 0;
    while (got < size) {
        const ssize_t now = ::pread(fd, buffer + got, size - got, offset + static_cast<off_t>(got));
        if (now < 0 && errno == EINTR) {
            continue;
        }
        // The source is opened non-blocking (see ReadSome).
        if (now < 0 && errno == EAGAIN) {
            const int flags = ::fcntl(fd, F_GETFL);
            if (flags >= 0 && ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0) {
                continue;
            }
        }
        if (now < 0) {
            return -1;
        }
        if (now == 0) {
            break;
        }
        got += static_cast<std::size_t>(now);
    }
    return static_cast<ssize_t>(got);
}

#ifdef QUENBY_TEST_HOOKS
// Changes one byte in the middle of a flushed copy, on the disk. The copy
// may be open for writing only.
void DamageForTests(int fd) {
    struct stat info {};
    char byte = 0;
    const FileDescriptor reader(
        ::open(("/proc/self/fd/" + std::to_string(fd)).c_str(), O_RDONLY | O_CLOEXEC));
    if (::fstat(fd, &info) != 0 || info.st_size == 0 ||
        ::pread(reader.Get(), &byte, 1, info.st_size / 2) != 1) {
        return;
    }
    byte = static_cast<char>(byte ^ 0x20);
    if (::pwrite(fd, &byte, 1, info.st_size / 2) == 1) {
        ::fsync(fd);
    }
}
#endif

// Whether a name may hold what the FAT and exFAT drivers refuse (": ? * \" <
// > |", control characters, any byte beyond ASCII, which a driver may find
// is no valid UTF-8, or a trailing dot or blank). Only such a name is tried
// on the target before the bytes are copied: the plain names of cameras
// cost no extra step.
bool MayBeRefused(const std::string& name) {
    if (name.empty() || name.back() == '.' || name.back() == ' ') {
        return true;
    }
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte >= 0x7F || std::strchr(":?*\"<>|\\", c) != nullptr) {
            return true;
        }
    }
    return false;
}

// One copy of a source file into a target folder.
class FileCopy {
public:
    FileCopy(const FolderHandle& folder, const std::string& name, const CopyChecks& checks)
        : m_folderHandle(folder), m_folder(folder.Descriptor()), m_name(name), m_checks(checks) {}

    CopyResult Run(const std::string& source, const NamingMethod* forced) {
        if (source.empty() || m_name.empty()) {
            return Fail(EINVAL);
        }
        // Non-blocking, so that a pipe or device posing as a photo cannot stall the run.
        m_from.Reset(::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
        if (!m_from.Valid() || ::fstat(m_from.Get(), &m_source) != 0) {
            return Fail(errno);
        }
        m_result.Source = IdentityOf(m_source);
        if (m_checks.ExpectedSource &&
            *m_checks.ExpectedSource != FileKey{m_result.Source.Device, m_result.Source.Inode}) {
            return Fail(0,
                        "it is no longer the file that was found there (was its drive "
                        "removed?)");
        }
        if (!S_ISREG(m_source.st_mode)) {
            return Fail(EINVAL, "not a regular file");
        }
        if (m_name.size() > NAME_MAX) {
            return FailName(ENAMETOOLONG);
        }
        const dev_t device = static_cast<dev_t>(m_folderHandle.Identity().Device);
        const NamingMethod first = forced != nullptr ? *forced : Known().For(device);
        // Linking an unnamed file finds a taken name by itself, and costs
        // little when it does. Elsewhere (FAT, exFAT, network mounts: where
        // names also match in other letter case, and bytes are dear) a look
        // first spares copying in vain.
        struct stat existing {};
        if (first != NamingMethod::UnnamedFile &&
            ::fstatat(m_folder, m_name.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0) {
            return Taken();
        }

        NamingMethod used = first;
        if (first != NamingMethod::UnnamedFile || !CopyUnnamed()) {
            if (used == NamingMethod::UnnamedFile) {
                used = NamingMethod::NoReplaceRename;
            }
            CopyNamed(used);
        }
        if (forced == nullptr && used != first) {
            Known().Remember(device, used);
        }
        if (m_result.Outcome == CopyOutcome::Copied && m_checks.FlushToDisk) {
            if (const FileStatus flushed = m_folderHandle.Flush(); !flushed) {
                m_result.Outcome = CopyOutcome::CopiedNotFlushed;
                m_result.Reason =
                    "flushing " + m_folderHandle.Path() + " failed: " + flushed.Reason;
            }
        }
        if (m_result.Outcome == CopyOutcome::Copied && m_copied > m_source.st_size) {
            m_result.Outcome = CopyOutcome::CopiedMoreThanItsSize;
            m_result.Reason = std::to_string(m_copied) +
                              " bytes were read, though its size reads " +
                              std::to_string(m_source.st_size);
        }
        return m_result;
    }

private:
    enum class Naming : std::uint8_t { Named, Taken, NotOffered, Failed };

    CopyResult Fail(int error, std::string reason = {}) {
        m_result.Outcome = CopyOutcome::Failed;
        m_result.Failure = error == EMFILE || error == ENFILE ? CopyFailure::TooManyOpenFiles
                           : error == ECANCELED               ? CopyFailure::Abandoned
                                                              : CopyFailure::Other;
        m_result.Reason = !reason.empty()      ? std::move(reason)
                          : error == ECANCELED ? "stopped before the copy was complete"
                                               : ErrorText(error);
        return m_result;
    }

    // A name the target's file system will not take reads so, not as the
    // error its driver happens to pass on ("No such file or directory" from
    // the FUSE exFAT driver for a name with ":", "Operation not permitted"
    // from the FUSE FAT driver for one beyond ASCII).
    CopyResult FailName(int error, bool trial = false) {
        struct stat folder {};
        const bool refused =
            error == EINVAL || error == EILSEQ || error == ENAMETOOLONG ||
            (trial && error == EPERM) ||
            (error == ENOENT && ::fstat(m_folder, &folder) == 0 && folder.st_nlink > 0);
        return refused ? Fail(error, "the target's file system cannot hold the name " + m_name)
                       : Fail(error);
    }

    // The name is taken: by a file that counts as existing, or by something
    // this copy must not stand in for (a folder, a dangling link).
    CopyResult Taken() {
        struct stat info {};
        const bool resolved = ::fstatat(m_folder, m_name.c_str(), &info, 0) == 0;
        if (resolved && !S_ISDIR(info.st_mode)) {
            m_result.Outcome = CopyOutcome::Exists;
            return m_result;
        }
        return Fail(resolved ? EISDIR : EEXIST);
    }

    // Fills the new file; it gets its name only afterwards.
    bool Fill(int to, bool modeSet) {
        m_copied = CopyContents(m_from.Get(), to, m_source.st_size,
                                SizesHold(m_source.st_dev, m_from.Get()), m_checks.Abandon);
        if (m_copied < 0) {
            Fail(errno);
            return false;
        }
        if (m_copied < m_source.st_size) {
            Fail(0, "it ended after " + std::to_string(m_copied) +
                        " bytes, though its size reads " + std::to_string(m_source.st_size));
            return false;
        }
        // Best effort: FAT and exFAT hold no permission bits, and some FUSE
        // drivers refuse the call outright.
        if (!modeSet) {
            ::fchmod(to, m_source.st_mode & 0777);
        }
        const struct timespec times[2] = {m_source.st_atim, m_source.st_mtim};
        if (::futimens(to, times) != 0 && !NotOffered(errno) && errno != EPERM && errno != EACCES) {
            Fail(errno);
            return false;
        }
        if ((m_checks.FlushToDisk || m_checks.Verify) && ::fsync(to) != 0) {
            Fail(errno);
            return false;
        }
#ifdef QUENBY_TEST_HOOKS
        if (testhooks::DamageCopy(m_name)) {
            DamageForTests(to);
        }
#endif
        return !m_checks.Verify || Verified(to);
    }

    // Reads the flushed copy back from the disk, not from the page cache
    // that still holds what was written, and compares it with the source
    // read once more to its end. Byte for byte: both files are read whole
    // either way, and comparing costs less than hashing them.
    bool Verified(int to) {
        ::posix_fadvise(to, 0, 0, POSIX_FADV_DONTNEED);
        constexpr std::size_t kChunk = 256 * 1024;
        std::string source(kChunk, '\0');
        std::string copy(kChunk, '\0');
        const auto differs = [this] {
            Fail(0,
                 "verification failed: the copy read back from the disk differs from the source");
            return false;
        };
        for (std::int64_t offset = 0;;) {
            if (m_checks.Abandon != nullptr && m_checks.Abandon->load()) {
                Fail(ECANCELED);
                return false;
            }
            const ssize_t fromSource = ReadAt(m_from.Get(), source.data(), kChunk, offset);
            const ssize_t fromCopy = ReadAt(to, copy.data(), kChunk, offset);
            if (fromSource < 0 || fromCopy < 0) {
                Fail(errno, "verification failed: " + ErrorText(errno));
                return false;
            }
            if (fromCopy != fromSource || std::memcmp(source.data(), copy.data(),
                                                      static_cast<std::size_t>(fromSource)) != 0) {
                return differs();
            }
            offset += fromSource;
            if (fromSource < static_cast<ssize_t>(kChunk)) {
                struct stat written {};
                if (offset != m_copied || ::fstat(to, &written) != 0 ||
                    written.st_size != m_copied) {
                    return differs();
                }
                return true;
            }
        }
    }

    // False when the file system offers no unnamed files, or cannot link one
    // in; the source is then read again from its start.
    bool CopyUnnamed() {
        // Nobody can open an unnamed file by a name, so it may carry the
        // source's permission bits from the start.
        const mode_t mode = m_source.st_mode & 0777;
        FileDescriptor to(::openat(m_folder, ".", O_TMPFILE | WriteAccess() | O_CLOEXEC, mode));
        if (!to.Valid()) {
            if (NotOffered(errno) || errno == EISDIR || errno == ENOENT) {
                return false;
            }
            Fail(errno);
            return true;
        }
        if (!Fill(to.Get(), (mode & ProcessUmask()) == 0)) {
            return true;
        }
        // Linking the descriptor itself needs a recent kernel or the right to
        // read any folder; the descriptor's entry in /proc serves elsewhere.
        bool linked = ::linkat(to.Get(), "", m_folder, m_name.c_str(), AT_EMPTY_PATH) == 0;
        if (!linked && errno != EEXIST) {
            const std::string self = "/proc/self/fd/" + std::to_string(to.Get());
            linked =
                ::linkat(AT_FDCWD, self.c_str(), m_folder, m_name.c_str(), AT_SYMLINK_FOLLOW) == 0;
        }
        if (!linked) {
            if (errno == EEXIST) {
                Taken();
                return true;
            }
            // No /proc, or linking refused: a named temporary file serves.
            if ((NotOffered(errno) || errno == ENOENT || errno == EPERM) &&
                ::lseek(m_from.Get(), 0, SEEK_SET) == 0) {
                return false;
            }
            FailName(errno);
            return true;
        }
        Closed(to);
        return true;
    }

    // Tries a name that the file system may refuse by taking it for a moment,
    // before any byte is copied: a refused name then costs nothing, not a
    // whole video copied in vain. Our temporary file already stands beside
    // it, so a run killed in between leaves nothing that the next run would
    // not know as its own leftover.
    bool NameTaken(const std::string& temporary) {
        FileDescriptor trial(::openat(m_folder, m_name.c_str(),
                                      O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW,
                                      S_IRUSR | S_IWUSR));
        if (trial.Valid()) {
            trial.Close();
            ::unlinkat(m_folder, m_name.c_str(), 0);
            return true;
        }
        const int error = errno;
        ::unlinkat(m_folder, temporary.c_str(), 0);
        if (error == EEXIST) {
            Taken();
        } else {
            FailName(error, true);
        }
        return false;
    }

    void CopyNamed(NamingMethod& method) {
        const FolderLock lock(m_folder, LOCK_SH);
        std::string temporary;
        FileDescriptor to;
        for (int attempt = 0; attempt < 100 && !to.Valid(); ++attempt) {
            temporary = TemporaryName(m_name);
            to.Reset(::openat(m_folder, temporary.c_str(),
                              WriteAccess() | O_CREAT | O_EXCL | O_CLOEXEC, S_IRUSR | S_IWUSR));
            if (!to.Valid() && errno != EEXIST) {
                break;
            }
        }
        if (!to.Valid()) {
            Fail(errno);
            return;
        }
        if (MayBeRefused(m_name) && !NameTaken(temporary)) {
            return;
        }
        if (!Fill(to.Get(), false) || !to.Close()) {
            if (m_result.Reason.empty()) {
                Fail(errno);
            }
            ::unlinkat(m_folder, temporary.c_str(), 0);
            return;
        }
        for (;;) {
            const Naming naming = Name(method, temporary);
            if (naming == Naming::Named) {
                m_result.Outcome = CopyOutcome::Copied;
                return;
            }
            const int error = errno;
            if (naming == Naming::NotOffered && method != NamingMethod::MarkedClaim) {
                method = static_cast<NamingMethod>(static_cast<int>(method) + 1);
                continue;
            }
            ::unlinkat(m_folder, temporary.c_str(), 0);
            if (naming == Naming::Taken) {
                Taken();
            } else {
                FailName(error);
            }
            return;
        }
    }

    Naming Name(NamingMethod method, const std::string& temporary) {
        const int folder = m_folder;
        switch (method) {
            case NamingMethod::UnnamedFile:
            case NamingMethod::NoReplaceRename:
                if (::renameat2(folder, temporary.c_str(), folder, m_name.c_str(),
                                RENAME_NOREPLACE) == 0) {
                    return Naming::Named;
                }
                return errno == EEXIST     ? Naming::Taken
                       : NotOffered(errno) ? Naming::NotOffered
                                           : Naming::Failed;
            case NamingMethod::HardLink:
                if (::linkat(folder, temporary.c_str(), folder, m_name.c_str(), 0) == 0) {
                    ::unlinkat(folder, temporary.c_str(), 0);
                    return Naming::Named;
                }
                return errno == EEXIST ? Naming::Taken
                       : NotOffered(errno) || errno == EPERM || errno == EMLINK || errno == EXDEV
                           ? Naming::NotOffered
                           : Naming::Failed;
            case NamingMethod::MarkedClaim:
                return NameOverOwnClaim(temporary);
        }
        return Naming::Failed;
    }

    // Creating the final name with O_EXCL fails on any existing entry, in
    // whatever letter case the file system compares names. The empty claim
    // is ours alone, so renaming the finished file onto it replaces nothing
    // but the claim. Until then the claim stands beside our temporary file,
    // whose name carries the claim's mark: a run that finds both after this
    // one was killed removes them together (RemoveLeftoverCopies).
    Naming NameOverOwnClaim(const std::string& temporary) {
        const int folder = m_folder;
        FileDescriptor claim(::openat(folder, m_name.c_str(),
                                      O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW,
                                      S_IRUSR | S_IWUSR));
        if (!claim.Valid()) {
            return errno == EEXIST ? Naming::Taken : Naming::Failed;
        }
        claim.Close();
        if (::renameat(folder, temporary.c_str(), folder, m_name.c_str()) != 0) {
            const int error = errno;
            ::unlinkat(folder, m_name.c_str(), 0);
            errno = error;
            return Naming::Failed;
        }
        // Some FUSE drivers stamp a renamed file with the current time.
        struct stat named {};
        if (::fstatat(folder, m_name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            Nanoseconds(named.st_mtim) != Nanoseconds(m_source.st_mtim)) {
            const struct timespec times[2] = {m_source.st_atim, m_source.st_mtim};
            ::utimensat(folder, m_name.c_str(), times, AT_SYMLINK_NOFOLLOW);
        }
        return Naming::Named;
    }

    // Closes a file that already stands under its final name. A close that
    // reports a lost write takes the name away again: it is our own file.
    void Closed(FileDescriptor& to) {
        if (to.Close()) {
            m_result.Outcome = CopyOutcome::Copied;
            return;
        }
        const int error = errno;
        ::unlinkat(m_folder, m_name.c_str(), 0);
        Fail(error);
    }

    // A copy to be verified is read back through the descriptor that wrote it.
    int WriteAccess() const {
        return m_checks.Verify ? O_RDWR : O_WRONLY;
    }

    const FolderHandle& m_folderHandle;
    const int m_folder;
    const std::string m_name;
    const CopyChecks& m_checks;
    FileDescriptor m_from;
    struct stat m_source {};
    std::int64_t m_copied = 0;
    CopyResult m_result;
};

// The folder of a target path, held for one copy.
std::optional<FolderHandle> FolderOfTarget(const std::string& target, CopyResult& result) {
    FolderHandle::Failure failure;
    std::optional<FolderHandle> folder = FolderHandle::Open(FolderOf(target), &failure);
    if (!folder) {
        result.Reason = failure.Reason;
        result.Failure =
            failure.TooManyOpenFiles ? CopyFailure::TooManyOpenFiles : CopyFailure::Other;
    }
    return folder;
}

// The FAT driver's own word on the read-only attribute, for a file system
// mounted so that permission bits do not show it.
bool FatReadOnly(const std::string& path) {
    struct statfs system {};
    if (::statfs(path.c_str(), &system) != 0 || system.f_type != MSDOS_SUPER_MAGIC) {
        return false;
    }
    const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    std::uint32_t attributes = 0;
    return file.Valid() && ::ioctl(file.Get(), FAT_IOCTL_GET_ATTRIBUTES, &attributes) == 0 &&
           (attributes & ATTR_RO) != 0;
}

}  // namespace

FileStatus CreateFolder(const std::string& path) {
    if (path.empty()) {
        return Failure(ENOENT);
    }
    return ::mkdir(path.c_str(), 0777) == 0 ? FileStatus{} : Failure(errno);
}

bool FileEntryExists(const std::string& path) {
    struct stat info {};
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

CopyResult CopyFileNoReplace(const std::string& source, const FolderHandle& folder,
                             const std::string& name, const CopyChecks& checks) {
    return FileCopy(folder, name, checks).Run(source, nullptr);
}

CopyResult CopyFileNoReplace(const std::string& source, const std::string& target,
                             const CopyChecks& checks) {
    CopyResult result;
    const std::optional<FolderHandle> folder = FolderOfTarget(target, result);
    return folder ? CopyFileNoReplace(source, *folder, NameOf(target), checks) : result;
}

CopyResult CopyFileNoReplace(const std::string& source, const std::string& target,
                             bool flushToDisk) {
    return CopyFileNoReplace(source, target, CopyChecks{.FlushToDisk = flushToDisk});
}

CopyResult CopyFileNoReplaceFrom(const std::string& source, const std::string& target,
                                 CopyChecks checks, NamingMethod first) {
    CopyResult result;
    const std::optional<FolderHandle> folder = FolderOfTarget(target, result);
    return folder ? FileCopy(*folder, NameOf(target), checks).Run(source, &first) : result;
}

CopyResult CopyFileNoReplaceFrom(const std::string& source, const std::string& target,
                                 bool flushToDisk, NamingMethod first) {
    return CopyFileNoReplaceFrom(source, target, CopyChecks{.FlushToDisk = flushToDisk}, first);
}

DeleteResult DeleteSourceIfUnchanged(const std::string& path, const FileIdentity& copied) {
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0) {
        return {DeleteOutcome::Failed, ErrorText(path.empty() ? ENOENT : errno)};
    }
    if (IdentityOf(info) != copied) {
        return {DeleteOutcome::Changed, {}};
    }
    if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || FatReadOnly(path)) {
        return {DeleteOutcome::ReadOnly, {}};
    }
    if (::unlink(path.c_str()) != 0) {
        return {DeleteOutcome::Failed, ErrorText(errno)};
    }
    return {DeleteOutcome::Deleted, {}};
}

std::optional<FileIdentity> IdentityOfFile(const std::string& path) {
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return std::nullopt;
    }
    return IdentityOf(info);
}

FileStatus FlushFolder(const std::string& path) {
    FolderHandle::Failure failure;
    const std::optional<FolderHandle> folder = FolderHandle::Open(path, &failure);
    return folder ? folder->Flush() : FileStatus{false, failure.Reason};
}

namespace {

// The leftovers of killed runs in a folder; removed unless `remove` is false.
std::vector<std::string> LeftoverCopies(const FileDescriptor& folder, bool remove) {
    std::vector<std::string> removed;
    if (!folder.Valid()) {
        return removed;
    }
    // A live run holds its shared lock while it copies: then nothing here is
    // a leftover for sure, and it waits for a later run.
    const FolderLock lock(folder.Get(), LOCK_EX | LOCK_NB);
    if (!lock.Held()) {
        return removed;
    }
    std::vector<std::string> temporaries;
    std::vector<std::string> names;
    DIR* const listing = ::fdopendir(::dup(folder.Get()));
    if (listing == nullptr) {
        return removed;
    }
    while (const struct dirent* entry = ::readdir(listing)) {
        const std::string name = entry->d_name;
        if (IsTemporaryName(name)) {
            temporaries.push_back(name);
        } else if (name != "." && name != "..") {
            names.push_back(name);
        }
    }
    ::closedir(listing);

    for (const std::string& temporary : temporaries) {
        struct stat leftover {};
        if (::fstatat(folder.Get(), temporary.c_str(), &leftover, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(leftover.st_mode)) {
            continue;
        }
        // An empty file under the name it was copying for is its claim; the
        // same file under both names is a finished copy whose temporary
        // name was not yet unlinked.
        for (const std::string& name : names) {
            struct stat claim {};
            if (TemporaryNameFor(temporary, name) &&
                ::fstatat(folder.Get(), name.c_str(), &claim, AT_SYMLINK_NOFOLLOW) == 0 &&
                S_ISREG(claim.st_mode) && claim.st_size == 0 && claim.st_ino != leftover.st_ino &&
                (!remove || ::unlinkat(folder.Get(), name.c_str(), 0) == 0)) {
                removed.push_back(name);
            }
        }
        if (!remove || ::unlinkat(folder.Get(), temporary.c_str(), 0) == 0) {
            removed.push_back(temporary);
        }
    }
    return removed;
}

}  // namespace

std::vector<std::string> RemoveLeftoverCopies(const std::string& folder) {
    return LeftoverCopies(
        FileDescriptor(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)), true);
}

std::vector<std::string> RemoveLeftoverCopies(const FolderHandle& folder) {
    // A descriptor of its own: the lock taken on it is this call's alone.
    return LeftoverCopies(
        FileDescriptor(::openat(folder.Descriptor(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)),
        true);
}

std::vector<std::string> FindLeftoverCopies(const std::string& folder) {
    return LeftoverCopies(
        FileDescriptor(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)), false);
}

}  // namespace quenby::platform
