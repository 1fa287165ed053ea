#pragma once

#include <cstdint>
#include <string>

namespace quenby::platform {

enum class ReadOutcome { Read, Missing, Failed, TooLarge };

// Reads a whole regular file (links are followed). Missing also covers a
// folder or nothing under that name; Failed means the entry is there but
// cannot be read, with the system's text for the reason in `errorText`.
// TooLarge: the file holds more than `maxBytes`, and nothing is kept of it.
ReadOutcome ReadWholeFile(const std::string& path, std::string& contents, std::string& errorText,
                          std::uint64_t maxBytes = UINT64_MAX);

enum class ReplaceOutcome { Replaced, CreateFailed, WriteFailed };

// Replaces the file's contents in one step: the bytes go into a new file
// beside it, are flushed to the disk and then take the file's name, so the
// old contents stay whole until the new ones are complete. A link is
// followed, so the file it points to gets the new contents. An existing
// file keeps its permission bits; a read-only one (no write permission for
// anyone, or the read-only attribute) is not replaced. On failure nothing
// under `path` changes and `errorText` holds the system's reason.
ReplaceOutcome ReplaceWholeFile(const std::string& path, const std::string& contents,
                                std::string& errorText);

// The same, but the file ends up with exactly the permission bits `mode`,
// set before it takes the name, so it never shows with other bits. Systems
// whose files carry no permission bits ignore `mode`.
ReplaceOutcome ReplaceWholeFile(const std::string& path, const std::string& contents, unsigned mode,
                                std::string& errorText);

}  // namespace quenby::platform
