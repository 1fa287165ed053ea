#pragma once

#include <string>

namespace quenby::platform {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// A path that does not end in the separator gets one; the empty path becomes
// the separator alone, which names the root.
inline std::string WithTrailingSeparator(std::string path) {
    if (path.empty() || path.back() != kPathSeparator) {
        path.push_back(kPathSeparator);
    }
    return path;
}

}  // namespace quenby::platform
