#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "base/datetime.h"
#include "platform/files/folderlisting.h"

namespace quenby {

// One directory entry as the scanner reports it.
struct ScanEntry {
    std::string Name;              // without any folder part
    std::uint32_t Attributes = 0;  // bit 0x10: directory
    // 100-nanosecond intervals since 1 January 1601 UTC.
    std::uint64_t LastWriteTime = 0;
    std::uint64_t Size = 0;
    // The file on its device; 0 where the system's listing cannot tell.
    std::uint64_t Device = 0;
    std::uint64_t Inode = 0;
};

inline constexpr std::uint32_t kDirectoryAttribute = 0x10;

// The entry's last-write time as a local date-time value, taken at the
// time-zone offset in force at that moment (not at the moment of the scan);
// 0.0 when it cannot be converted.
DateTimeValue LocalTimeStamp(const ScanEntry& entry);

// Pause in milliseconds before each folder is read; 0 means none.
extern std::atomic<int> ScanPauseMs;
// Stops a running scan at its next folder; every scan clears it first.
extern std::atomic<bool> ScanStopRequested;
// Runs while a scan pauses, so a caller can let its windows work meanwhile.
extern std::function<void()> ScanPauseHook;

// `folderPath` ends with the path separator; the entry lives only during the call.
using ScanCallback = std::function<void(const std::string& folderPath, const ScanEntry& entry)>;

// Walks the tree below `folder` depth-first and reports every file (not
// folder) whose name matches `pattern`: all matching files of a folder before
// anything below it, then the sub-folders one by one, in the order the
// folder lists them. Every sub-folder is walked whatever its name, except
// those of the system's interface file systems (proc, sysfs, ...), but a
// link to a folder inside the tree is not entered (as `find` and `cp -r`
// do), so the walk stays within the tree it was given; `folder` itself may
// be a link. A folder that already stands on the current path is not entered
// twice. Links to files are reported like the files. Folders that cannot be
// read yield nothing and the walk goes on. A failure thrown by the callback
// ends the walk and propagates.
void ScanFolderTree(const std::string& folder, const std::string& pattern,
                    const ScanCallback& callback);

// The same walk for several patterns at once: each folder is read once, and
// every match is reported with the index of its pattern. Taken per pattern,
// the reports come in exactly the order of one ScanFolderTree per pattern.
using MultiScanCallback = std::function<void(
    std::size_t patternIndex, const std::string& folderPath, const ScanEntry& entry)>;

// What a caller may add to a walk: where a folder that is there but cannot
// be read (no right to read it, path too long, I/O error) is reported with
// the system's reason, and a flag that ends the walk at its next folder.
struct ScanControl {
    std::function<void(const std::string& folderPath, const std::string& reason)>
        OnUnreadableFolder;
    const std::atomic<bool>* Stop = nullptr;
};

void ScanFolderTreeForPatterns(const std::string& folder, std::span<const std::string> patterns,
                               const MultiScanCallback& callback, const ScanControl& control = {});

// The same walk for callers that read the files' details themselves, maybe
// elsewhere: each folder comes with its listing, which holds it open, and
// its matches in the order the walk would report them. Nothing is read of
// any file; a match may turn out to be a folder or to have gone.
struct FolderMatch {
    std::size_t PatternIndex = 0;
    std::size_t EntryIndex = 0;  // into the listing
};
using FolderVisitor =
    std::function<void(const std::string& folderPath, platform::FolderListing listing,
                       std::vector<FolderMatch> matches)>;

void WalkFolderTree(const std::string& folder, std::span<const std::string> patterns,
                    const FolderVisitor& visitor, const ScanControl& control = {});

// The match as the walk reports it; false when it is a folder or has gone.
bool ReadScanEntry(const platform::FolderListing& listing, std::size_t index, ScanEntry& entry);

}  // namespace quenby
