#pragma once

#include <cstdint>
#include <string>

#include "platform/files/fileops.h"

namespace quenby::platform {

// How a finished copy takes its final name, best first. Each file system
// gets the first one it offers.
enum class NamingMethod : std::uint8_t {
    // An unnamed file (O_TMPFILE) linked in when complete: nothing is left
    // behind when the process dies.
    UnnamedFile,
    // A temporary file renamed with RENAME_NOREPLACE.
    NoReplaceRename,
    // A temporary file linked to the final name, then unlinked.
    HardLink,
    // The final name taken as an empty claim with O_CREAT|O_EXCL, which
    // fails on any existing name, then the temporary file renamed onto our
    // own claim. For exFAT, FAT, network and most FUSE mounts.
    MarkedClaim,
};

// CopyFileNoReplace, trying `first` and the methods after it in order
// rather than the one this device was found to offer.
CopyResult CopyFileNoReplaceFrom(const std::string& source, const std::string& target,
                                 CopyChecks checks, NamingMethod first);
CopyResult CopyFileNoReplaceFrom(const std::string& source, const std::string& target,
                                 bool flushToDisk, NamingMethod first);

}  // namespace quenby::platform
