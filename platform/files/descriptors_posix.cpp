#include <dirent.h>
#include <sys/resource.h>

#include "platform/files/descriptors.h"

namespace quenby::platform {

std::size_t SpareFileDescriptors() {
    constexpr std::size_t kPlenty = 1U << 16;
    struct rlimit limit {};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY ||
        limit.rlim_cur >= kPlenty) {
        return kPlenty;
    }
    std::size_t open = 0;
    if (DIR* const listing = ::opendir("/proc/self/fd")) {
        while (::readdir(listing) != nullptr) {
            ++open;
        }
        ::closedir(listing);
        // ".", ".." and the listing's own descriptor.
        open = open > 3 ? open - 3 : 0;
    } else {
        open = 16;  // no /proc: as many as a program usually holds
    }
    const auto most = static_cast<std::size_t>(limit.rlim_cur);
    return most > open ? most - open : 0;
}

}  // namespace quenby::platform
