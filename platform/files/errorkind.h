#pragma once

#include <cstdint>

namespace quenby::platform {

// What a system error code (errno, or GetLastError on Windows) says about
// the disk, for libraries that hand on the bare code: the advice a person
// can act on differs ("free some space", "allow writing"), the code's
// number does too from system to system.
enum class ErrorKind : std::uint8_t {
    Other,
    DiskFull,     // no space left, or the user's quota is used up
    WriteDenied,  // permission bits, a read-only attribute or file system
};

ErrorKind KindOfError(int errorCode);

}  // namespace quenby::platform
