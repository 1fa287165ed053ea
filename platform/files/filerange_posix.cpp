#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/files/filerange.h"

namespace quenby::platform {

std::optional<FileRange> FileRange::Open(const std::string& path, std::string* failure) {
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a
    // writer. O_NOATIME keeps the access time, but only the file's owner
    // (or root) may ask for it; everyone else gets the plain open.
    constexpr int kFlags = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    int fd = ::open(path.c_str(), kFlags | O_NOATIME);
    if (fd < 0 && errno == EPERM) {
        fd = ::open(path.c_str(), kFlags);
    }
    if (fd < 0) {
        if (failure != nullptr && errno != ENOENT && errno != ENOTDIR) {
            *failure = std::strerror(errno);
        }
        return std::nullopt;
    }
    FileRange range;
    range.m_fd = fd;
    return range;
}

std::optional<std::uint64_t> FileRange::Size() const {
    if (!m_sizeAsked) {
        m_sizeAsked = true;
        struct stat info {};
        if (::fstat(m_fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size >= 0) {
            m_size = static_cast<std::uint64_t>(info.st_size);
        }
    }
    return m_size;
}

FileRange::FileRange(FileRange&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)),
      m_sizeAsked(other.m_sizeAsked),
      m_size(other.m_size),
      m_readFailure(std::move(other.m_readFailure)) {}

FileRange& FileRange::operator=(FileRange&& other) noexcept {
    if (this != &other) {
        Close();
        m_fd = std::exchange(other.m_fd, -1);
        m_sizeAsked = other.m_sizeAsked;
        m_size = other.m_size;
        m_readFailure = std::move(other.m_readFailure);
    }
    return *this;
}

FileRange::~FileRange() {
    Close();
}

void FileRange::Close() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

std::size_t FileRange::Read(std::uint64_t offset, std::span<std::byte> into) const {
    std::size_t done = 0;
    while (done < into.size()) {
        const ssize_t got = ::pread(m_fd, into.data() + done, into.size() - done,
                                    static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            // A pipe cannot be read at an offset: that is no failing file.
            if (errno != ESPIPE && m_readFailure.empty()) {
                m_readFailure = std::strerror(errno);
            }
            return 0;
        }
        if (got == 0) {
            break;
        }
        done += static_cast<std::size_t>(got);
    }
    return done;
}

}  // namespace quenby::platform
