#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace quenby::platform {

// The executable's file version as two words: major << 16 | minor and
// release << 16 | build.
struct FileVersionWords {
    std::uint32_t MostSignificant = 0;
    std::uint32_t LeastSignificant = 0;
};

enum class VersionInfoStatus {
    Missing,           // the file carries no version information
    RecordUnreadable,  // version information is there, its record cannot be read
    Found,
};

// Reads the version information a file carries. Every build of ours puts it
// in an ELF note named "Quenby" of type 1, whose descriptor holds the
// signature 0xFEEF04BD and then the two words, in the file's byte order.
VersionInfoStatus ReadFileVersion(const std::string& path, FileVersionWords& words);

// Reads `size` bytes at `offset` of an image into `buffer`; false when they
// are not all there.
using ImageReader = std::function<bool(std::uint64_t offset, std::size_t size, void* buffer)>;

// The ELF parsing behind ReadFileVersion, over any image.
VersionInfoStatus FindVersionNote(const ImageReader& read, FileVersionWords& words);

inline constexpr char kVersionNoteName[] = "Quenby";
inline constexpr std::uint32_t kVersionNoteType = 1;
inline constexpr std::uint32_t kVersionSignature = 0xFEEF04BD;

}  // namespace quenby::platform
