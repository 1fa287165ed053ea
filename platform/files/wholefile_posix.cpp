#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "platform/files/pathsep.h"
#include "platform/files/wholefile.h"

namespace quenby::platform {
namespace {

class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    int Get() const { return m_fd; }
    int Release() {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd;
};

std::string ErrorText(int error) {
    return std::strerror(error);
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind(kPathSeparator);
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? std::string(1, kPathSeparator) : path.substr(0, slash);
}

// The file a link finally names; the path itself when it is no link.
std::string ResolveLink(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
        return path;
    }
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (resolved == nullptr) {
        return path;  // dangling: replace the link itself
    }
    std::string result(resolved);
    std::free(resolved);
    return result;
}

bool WriteAll(int fd, const std::string& contents) {
    std::size_t done = 0;
    while (done < contents.size()) {
        const ssize_t written = ::write(fd, contents.data() + done, contents.size() - done);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (written == 0) {
            errno = ENOSPC;
            return false;
        }
        done += static_cast<std::size_t>(written);
    }
    return true;
}

}  // namespace

ReadOutcome ReadWholeFile(const std::string& path, std::string& contents, std::string& errorText,
                          std::uint64_t maxBytes) {
    contents.clear();
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) {
        return ReadOutcome::Missing;
    }
    // Non-blocking, so that a pipe under the name cannot stall the program.
    Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.Get() < 0) {
        errorText = ErrorText(errno);
        return ReadOutcome::Failed;
    }
    if (::fstat(fd.Get(), &info) != 0) {
        errorText = ErrorText(errno);
        return ReadOutcome::Failed;
    }
    if (!S_ISREG(info.st_mode)) {
        errorText = ErrorText(EINVAL);
        return ReadOutcome::Failed;
    }
    if (static_cast<std::uint64_t>(info.st_size) > maxBytes) {
        return ReadOutcome::TooLarge;
    }
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd.Get(), buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            errorText = ErrorText(errno);
            contents.clear();
            return ReadOutcome::Failed;
        }
        if (got == 0) {
            return ReadOutcome::Read;
        }
        // The file may grow while it is read.
        if (contents.size() + static_cast<std::size_t>(got) > maxBytes) {
            contents.clear();
            return ReadOutcome::TooLarge;
        }
        contents.append(buffer, static_cast<std::size_t>(got));
    }
}

namespace {

// `mode` < 0: an existing file keeps its bits, a new one gets the usual ones.
ReplaceOutcome Replace(const std::string& path, const std::string& contents, int mode,
                       std::string& errorText) {
    if (path.empty()) {
        errorText = ErrorText(ENOENT);
        return ReplaceOutcome::CreateFailed;
    }
    const std::string target = ResolveLink(path);
    struct stat existing {};
    const bool exists = ::stat(target.c_str(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode)) {
        errorText = ErrorText(EISDIR);
        return ReplaceOutcome::CreateFailed;
    }
    // The new file takes the name through the folder, which needs no write
    // permission on the file itself; a file that grants it to no one was made
    // read-only on purpose and stays, as a read-only file does on Windows.
    if (exists && (existing.st_mode & 0222) == 0) {
        errorText = ErrorText(EACCES);
        return ReplaceOutcome::CreateFailed;
    }

    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = target + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) {
            break;
        }
    }
    if (fd < 0) {
        errorText = ErrorText(errno);
        return ReplaceOutcome::CreateFailed;
    }
    Descriptor file(fd);
    auto fail = [&](ReplaceOutcome outcome) {
        errorText = ErrorText(errno);
        ::close(file.Release());
        ::unlink(temporary.c_str());
        return outcome;
    };
    const bool setBits = mode >= 0 || exists;
    const mode_t bits = mode >= 0 ? static_cast<mode_t>(mode) : existing.st_mode & 07777;
    if (setBits && ::fchmod(file.Get(), bits) != 0) {
        return fail(ReplaceOutcome::CreateFailed);
    }
    if (!WriteAll(file.Get(), contents) || ::fsync(file.Get()) != 0) {
        return fail(ReplaceOutcome::WriteFailed);
    }
    if (::close(file.Release()) != 0) {
        errorText = ErrorText(errno);
        ::unlink(temporary.c_str());
        return ReplaceOutcome::WriteFailed;
    }
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        errorText = ErrorText(errno);
        ::unlink(temporary.c_str());
        return ReplaceOutcome::CreateFailed;
    }
    // The new name has to reach the disk too, or a crash could bring back the old file.
    Descriptor folder(::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.Get() >= 0) {
        ::fsync(folder.Get());
    }
    return ReplaceOutcome::Replaced;
}

}  // namespace

ReplaceOutcome ReplaceWholeFile(const std::string& path, const std::string& contents,
                                std::string& errorText) {
    return Replace(path, contents, -1, errorText);
}

ReplaceOutcome ReplaceWholeFile(const std::string& path, const std::string& contents, unsigned mode,
                                std::string& errorText) {
    return Replace(path, contents, static_cast<int>(mode & 07777), errorText);
}

}  // namespace quenby::platform
