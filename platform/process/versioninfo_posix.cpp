#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/process/versioninfo.h"

namespace quenby::platform {

VersionInfoStatus ReadFileVersion(const std::string& path, FileVersionWords& words) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return VersionInfoStatus::Missing;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return VersionInfoStatus::Missing;
    }
    const auto fileSize = static_cast<std::uint64_t>(info.st_size);
    const ImageReader read = [fd, fileSize](std::uint64_t offset, std::size_t size, void* buffer) {
        if (offset > fileSize || size > fileSize - offset) {
            return false;
        }
        auto* out = static_cast<char*>(buffer);
        std::size_t done = 0;
        while (done < size) {
            const ssize_t got =
                ::pread(fd, out + done, size - done, static_cast<off_t>(offset + done));
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got <= 0) {
                return false;
            }
            done += static_cast<std::size_t>(got);
        }
        return true;
    };
    const VersionInfoStatus status = FindVersionNote(read, words);
    ::close(fd);
    return status;
}

}  // namespace quenby::platform
