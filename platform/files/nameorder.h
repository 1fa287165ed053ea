#pragma once

#include <algorithm>
#include <string>

namespace quenby::platform {

// The order in which a folder's entries are listed on every system: ASCII
// letter case ignored, ties broken by the bytes, so that a run's order (and
// which of two same-named files comes first) is the same on every machine.
inline bool FolderNameLess(const std::string& a, const std::string& b) {
    const auto lower = [](unsigned char c) {
        return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
    };
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const unsigned char ca = lower(static_cast<unsigned char>(a[i]));
        const unsigned char cb = lower(static_cast<unsigned char>(b[i]));
        if (ca != cb) {
            return ca < cb;
        }
    }
    if (a.size() != b.size()) {
        return a.size() < b.size();
    }
    return a < b;
}

}  // namespace quenby::platform
