#include "platform/files/fileops_posix.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "platform/files/copytesthooks.h"
#include "platform/files/fileops.h"
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

// Copies exactly the bytes the source had when it was opened: what is
// appended later belongs to a source that no longer matches its copy and is
// kept. Fewer bytes mean the source shrank meanwhile; that fails with errno
// 0. copy_file_range lets the kernel copy without a round trip through user
// space, and shares the blocks (reflink) where the file system offers it;
// where it is refused or reports no data, read and write take over at the
// same offsets.
bool CopyContents(int from, int to, std::int64_t size) {
    constexpr std::int64_t kKernelChunk = std::int64_t{1} << 30;
    constexpr std::int64_t kBufferSize = 256 * 1024;
    std::int64_t copied = 0;
    bool kernel = true;
    std::string buffer;
    while (copied < size) {
        if (kernel) {
            const ssize_t got = ::copy_file_range(
                from, nullptr, to, nullptr,
                static_cast<std::size_t>(std::min(size - copied, kKernelChunk)), 0);
            if (got > 0) {
                copied += got;
            } else if (got < 0 && errno == EINTR) {
                continue;
            } else if (got < 0 && errno != EXDEV && errno != EINVAL && errno != ENOSYS &&
                       errno != EOPNOTSUPP && errno != EBADF && errno != EPERM && errno != EAGAIN) {
                return false;
            } else {
                kernel = false;
                buffer.resize(static_cast<std::size_t>(kBufferSize));
            }
            continue;
        }
        const ssize_t got = ReadSome(
            from, buffer.data(), static_cast<std::size_t>(std::min(size - copied, kBufferSize)));
        if (got <= 0) {
            errno = got == 0 ? 0 : errno;
            return false;
        }
        if (!WriteAll(to, buffer.data(), static_cast<std::size_t>(got))) {
            return false;
        }
        copied += got;
    }
    return true;
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

// Flushes a folder's entries. FUSE, network and some other file systems
// cannot flush a single folder; flushing all of the file system serves
// there, and only a real failure counts.
FileStatus FlushFolderEntries(int folder) {
    if (::fsync(folder) == 0) {
        return {};
    }
    if (!NotOffered(errno) && errno != EBADF && errno != EROFS) {
        return Failure(errno);
    }
    if (::syncfs(folder) == 0) {
        return {};
    }
    return Failure(errno);
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

}  // namespace

// Runs copy many files into few folders: each stays open for the run, and
// the copies name their files relative to it.
struct CopyTargets::Folders {
    struct OpenFolder {
        int Fd;
        dev_t Device;
    };

    Folders() = default;
    Folders(const Folders&) = delete;
    Folders& operator=(const Folders&) = delete;
    ~Folders() { CloseAll(); }

    // The folder's descriptor, or -1 with errno set.
    int Open(const std::string& path, dev_t& device) {
        if (const auto known = m_open.find(path); known != m_open.end()) {
            device = known->second.Device;
            return known->second.Fd;
        }
        // Years of photos make thousands of day folders; a run need not
        // hold all of them.
        if (m_open.size() >= kMostOpen) {
            CloseAll();
        }
        const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        struct stat info {};
        if (fd < 0 || ::fstat(fd, &info) != 0) {
            const int error = errno;
            if (fd >= 0) {
                ::close(fd);
            }
            errno = error;
            return -1;
        }
        m_open.emplace(path, OpenFolder{fd, info.st_dev});
        device = info.st_dev;
        return fd;
    }

private:
    static constexpr std::size_t kMostOpen = 64;

    void CloseAll() {
        for (const auto& [path, open] : m_open) {
            ::close(open.Fd);
        }
        m_open.clear();
    }

    std::unordered_map<std::string, OpenFolder> m_open;
};

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

// One copy of a source file into a target folder.
class FileCopy {
public:
    FileCopy(const std::string& target, CopyChecks checks)
        : m_folderPath(FolderOf(target)),
          m_name(NameOf(target)),
          m_flush(checks.FlushToDisk),
          m_verify(checks.Verify) {}

    CopyResult Run(const std::string& source, CopyTargets::Folders& folders,
                   const NamingMethod* forced) {
        if (source.empty() || m_name.empty()) {
            return Fail(EINVAL);
        }
        // Non-blocking, so that a pipe or device posing as a photo cannot stall the run.
        m_from.Reset(::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
        if (!m_from.Valid() || ::fstat(m_from.Get(), &m_source) != 0) {
            return Fail(errno);
        }
        m_result.Source = IdentityOf(m_source);
        if (!S_ISREG(m_source.st_mode)) {
            return Fail(EINVAL, "not a regular file");
        }
        dev_t device = 0;
        m_folder = folders.Open(m_folderPath, device);
        if (m_folder < 0) {
            return Fail(errno);
        }
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
        if (m_result.Outcome == CopyOutcome::Copied && m_flush) {
            if (const FileStatus flushed = FlushFolderEntries(m_folder); !flushed) {
                m_result.Outcome = CopyOutcome::CopiedNotFlushed;
                m_result.Reason = "flushing " + m_folderPath + " failed: " + flushed.Reason;
            }
        }
        return m_result;
    }

private:
    enum class Naming : std::uint8_t { Named, Taken, NotOffered, Failed };

    CopyResult Fail(int error, std::string reason = {}) {
        m_result.Outcome = CopyOutcome::Failed;
        m_result.Reason = reason.empty() ? ErrorText(error) : std::move(reason);
        return m_result;
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
        if (!CopyContents(m_from.Get(), to, m_source.st_size)) {
            Fail(errno, errno == 0 ? "it shrank while it was being copied" : "");
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
        if ((m_flush || m_verify) && ::fsync(to) != 0) {
            Fail(errno);
            return false;
        }
#ifdef QUENBY_TEST_HOOKS
        if (testhooks::DamageCopy(m_name)) {
            DamageForTests(to);
        }
#endif
        return !m_verify || Verified(to);
    }

    // Reads the flushed copy back from the disk, not from the page cache
    // that still holds what was written, and compares it with the source.
    // Byte for byte: both files are read whole either way, and comparing
    // costs less than hashing them.
    bool Verified(int to) {
        ::posix_fadvise(to, 0, 0, POSIX_FADV_DONTNEED);
        constexpr std::size_t kChunk = 256 * 1024;
        std::string source(kChunk, '\0');
        std::string copy(kChunk, '\0');
        const std::int64_t size = m_source.st_size;
        for (std::int64_t offset = 0; offset < size;) {
            const std::size_t want =
                static_cast<std::size_t>(std::min<std::int64_t>(size - offset, kChunk));
            const ssize_t fromSource = ReadAt(m_from.Get(), source.data(), want, offset);
            const ssize_t fromCopy = ReadAt(to, copy.data(), want, offset);
            if (fromSource < 0 || fromCopy < 0) {
                Fail(errno, "verification failed: " + ErrorText(errno));
                return false;
            }
            if (fromSource != static_cast<ssize_t>(want)) {
                Fail(0, "verification failed: the source shrank while it was being copied");
                return false;
            }
            if (fromCopy != fromSource ||
                std::memcmp(source.data(), copy.data(), static_cast<std::size_t>(want)) != 0) {
                Fail(0,
                     "verification failed: the copy read back from the disk differs from "
                     "the source");
                return false;
            }
            offset += fromSource;
        }
        struct stat written {};
        if (::fstat(to, &written) != 0 || written.st_size != size) {
            Fail(0,
                 "verification failed: the copy read back from the disk differs from "
                 "the source");
            return false;
        }
        return true;
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
            Fail(errno);
            return true;
        }
        Closed(to);
        return true;
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
                Fail(error);
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
        return m_verify ? O_RDWR : O_WRONLY;
    }

    const std::string m_folderPath;
    const std::string m_name;
    const bool m_flush;
    const bool m_verify;
    FileDescriptor m_from;
    int m_folder = -1;  // held open by CopyTargets
    struct stat m_source {};
    CopyResult m_result;
};

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

CopyTargets::CopyTargets() : m_folders(std::make_unique<Folders>()) {}

CopyTargets::~CopyTargets() = default;

CopyResult CopyFileNoReplace(const std::string& source, const std::string& target,
                             CopyChecks checks, CopyTargets& targets) {
    return FileCopy(target, checks).Run(source, targets.Get(), nullptr);
}

CopyResult CopyFileNoReplace(const std::string& source, const std::string& target, bool flushToDisk,
                             CopyTargets& targets) {
    return CopyFileNoReplace(source, target, CopyChecks{flushToDisk, false}, targets);
}

CopyResult CopyFileNoReplace(const std::string& source, const std::string& target,
                             bool flushToDisk) {
    CopyTargets targets;
    return CopyFileNoReplace(source, target, flushToDisk, targets);
}

CopyResult CopyFileNoReplaceFrom(const std::string& source, const std::string& target,
                                 CopyChecks checks, NamingMethod first) {
    CopyTargets targets;
    return FileCopy(target, checks).Run(source, targets.Get(), &first);
}

CopyResult CopyFileNoReplaceFrom(const std::string& source, const std::string& target,
                                 bool flushToDisk, NamingMethod first) {
    return CopyFileNoReplaceFrom(source, target, CopyChecks{flushToDisk, false}, first);
}

DeleteResult DeleteSourceIfUnchanged(const std::string& path, const FileIdentity& copied) {
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0) {
        return {DeleteOutcome::Failed, ErrorText(path.empty() ? ENOENT : errno)};
    }
    if (IdentityOf(info) != copied) {
        return {DeleteOutcome::Changed, {}};
    }
    if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        return {DeleteOutcome::ReadOnly, {}};
    }
    if (::unlink(path.c_str()) != 0) {
        return {DeleteOutcome::Failed, ErrorText(errno)};
    }
    return {DeleteOutcome::Deleted, {}};
}

FileStatus FlushFolder(const std::string& path) {
    const FileDescriptor folder(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.Valid()) {
        return Failure(errno);
    }
    return FlushFolderEntries(folder.Get());
}

namespace {

// The leftovers of killed runs in a folder; removed unless `remove` is false.
std::vector<std::string> LeftoverCopies(const std::string& folderPath, bool remove) {
    std::vector<std::string> removed;
    const FileDescriptor folder(::open(folderPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
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
    return LeftoverCopies(folder, true);
}

std::vector<std::string> FindLeftoverCopies(const std::string& folder) {
    return LeftoverCopies(folder, false);
}

}  // namespace quenby::platform
