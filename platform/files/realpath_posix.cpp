#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/files/realpath.h"

namespace quenby::platform {

FileStatus RealPath(const std::string& path, std::string& resolved) {
    char* real = ::realpath(path.c_str(), nullptr);
    if (real == nullptr) {
        return {false, std::strerror(errno)};
    }
    resolved = real;
    std::free(real);
    return {};
}

}  // namespace quenby::platform
