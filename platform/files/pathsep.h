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

// A folder path as a person reads it: without the separator it ends with,
// unless that is all there is.
inline std::string WithoutTrailingSeparator(std::string path) {
    if (path.size() > 1 && path.back() == kPathSeparator) {
        path.pop_back();
    }
    return path;
}

// Where a path's folder part may end. Windows also ends a drive name with
// ":"; elsewhere ":" is an ordinary character of a name.
inline constexpr bool IsPathDelimiter(char c) {
#ifdef _WIN32
    return c == kPathSeparator || c == ':';
#else
    return c == kPathSeparator;
#endif
}

// Whether a folder path, given without its final separator, names a whole
// volume, which can never be created: "C:" and shorter on Windows, the empty
// rest of "/" elsewhere.
inline bool NamesWholeVolume(const std::string& folder) {
#ifdef _WIN32
    return folder.size() < 3;
#else
    return folder.empty();
#endif
}

}  // namespace quenby::platform
