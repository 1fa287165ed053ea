#pragma once

#include <sys/stat.h>

#include <cstdint>

namespace quenby::platform {

// A file time as 100-nanosecond intervals since 1 January 1601 UTC, the
// form every listing, look-up and preview gives, so that the scan's time of
// a photo and its copy's compare; UINT64_MAX where it cannot be written so.
inline std::uint64_t FileTimeOf(const struct timespec& time) {
    constexpr std::int64_t kEpochDifferenceSeconds = 11644473600LL;  // 1601 to 1970
    const std::int64_t seconds = static_cast<std::int64_t>(time.tv_sec) + kEpochDifferenceSeconds;
    if (seconds < 0 || seconds > INT64_MAX / 10'000'000 - 1) {
        return UINT64_MAX;
    }
    return static_cast<std::uint64_t>(seconds) * 10'000'000U +
           static_cast<std::uint64_t>(time.tv_nsec) / 100U;
}

}  // namespace quenby::platform
