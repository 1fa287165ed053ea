#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/files/filecompare.h"
#include "platform/files/fileops.h"
#include "platform/files/folderlisting.h"

namespace quenby::platform {

// What the steps of a run would come to, told for a dry run without changing
// anything and without opening any file: from the entries, their kinds and
// permissions only.

// Whether CreateFolder would make the folder: nothing stands under its name
// and its parent is a folder we may add to.
FileStatus PreviewCreateFolder(const std::string& path);

// What CopyFileNoReplace would come to: Exists for a file under the target
// name (in whatever letter case the file system compares names); Failed for
// a source that is no regular file we may read, a folder or dangling link
// under the target name, or a target folder we may not add to; else Copied.
// With `lookAtTarget` false only the source is looked at: the target folder
// is yet to be made, or what stands under the name would be removed first.
CopyResult PreviewCopy(const std::string& source, const std::string& target, bool lookAtTarget);

// What DeleteSourceIfUnchanged would come to, the source taken as unchanged.
DeleteResult PreviewDelete(const std::string& path);

// Whether two files look the same by their size and last-write time (within
// the two seconds that FAT keeps), since a dry run reads no bytes: a copy
// carries its source's time, a different photo of the same name hardly
// ever both.
FileComparison PreviewCompare(const std::string& first, const std::string& second);

// The size and last-write time of a regular file (links followed), from its
// entry alone; empty for anything else or nothing.
std::optional<FileFacts> RegularFileFacts(const std::string& path);

}  // namespace quenby::platform
