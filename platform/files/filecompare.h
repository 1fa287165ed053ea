#pragma once

#include <cstdint>
#include <string>

namespace quenby::platform {

enum class Likeness : std::uint8_t {
    Same,
    Different,
    Unknown,  // one of them could not be read
};

struct FileComparison {
    Likeness Result = Likeness::Unknown;
    std::string Reason;  // for Unknown
};

// Whether two regular files hold the same bytes: the sizes first, then the
// bytes. Reading leaves both files and their times as they were.
FileComparison CompareContents(const std::string& first, const std::string& second);

}  // namespace quenby::platform
