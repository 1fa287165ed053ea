#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quenby::platform {

class FolderHandle;

// Whether a step succeeded; when not, the system's reason, for a person to
// read ("No space left on device").
struct FileStatus {
    bool Ok = true;
    std::string Reason;

    explicit operator bool() const { return Ok; }
};

// Creates one folder level; missing parents are not created. Fails when the
// folder cannot be made, also when something of that name exists already.
FileStatus CreateFolder(const std::string& path);

// True when the path names an existing entry that is not a folder (links are
// followed).
bool FileEntryExists(const std::string& path);

// A file as it stood when its copy began. A source is deleted only while it
// is still this very file: one replaced or grown meanwhile has content that
// no copy holds.
struct FileIdentity {
    std::uint64_t Device = 0;
    std::uint64_t Inode = 0;
    std::int64_t Size = 0;
    std::int64_t LastWrite = 0;  // in the system's own units
    std::int64_t Change = 0;

    bool operator==(const FileIdentity&) const = default;
};

enum class CopyOutcome : std::uint8_t {
    Copied,            // complete under its final name (and on the disk, when asked)
    CopiedNotFlushed,  // complete under its final name, but not known to be on the disk
    // Complete under its final name with every byte the source gave, but
    // the source gave more than its size said (phone bridges that report
    // 32-bit sizes): its copy is whole as far as anyone can tell, yet the
    // source stays.
    CopiedMoreThanItsSize,
    Exists,  // the final name was taken, maybe in another letter case
    Failed,  // nothing of the copy is left
};

// Why a copy failed, where the caller can do something about it.
enum class CopyFailure : std::uint8_t {
    Other,
    TooManyOpenFiles,  // closing folders it holds open may let the next try succeed
    Abandoned,         // the caller asked for it
};

struct CopyResult {
    CopyOutcome Outcome = CopyOutcome::Failed;
    // Why it failed, or why its source should stay.
    std::string Reason;
    CopyFailure Failure = CopyFailure::Other;
    // The source as its copy began; set whenever the source could be opened.
    FileIdentity Source;
};

// Names a file on its device.
struct FileKey {
    std::uint64_t Device = 0;
    std::uint64_t Inode = 0;

    bool operator==(const FileKey&) const = default;
};

// What a copy makes sure of before it reports Copied.
struct CopyChecks {
    // The copy and its folder entry are on the disk, so the source may be
    // deleted safely afterwards.
    bool FlushToDisk = false;
    // The copy's bytes, flushed and read back from the disk (not from the
    // system's cache), equal what was read from the source before the copy
    // takes its final name; a copy that differs is removed and the copy fails.
    bool Verify = false;
    // The file a scan found under the source's path. When the path leads to
    // another file now (a card pulled out and its mount point left behind,
    // holding a stale file of that name), nothing is copied.
    std::optional<FileKey> ExpectedSource = std::nullopt;
    // Once set, a copy under way is given up at once; it never stands under
    // its final name.
    const std::atomic<bool>* Abandon = nullptr;
};

// Copies a regular file with its contents (to the end of the file, whatever
// size the file system reports), last-write time and, where the file system
// holds them, its permission bits into `folder` under `name`. An existing
// entry under the name is never replaced, and the name never shows a file
// that is cut short, also when the process is killed at any moment.
CopyResult CopyFileNoReplace(const std::string& source, const FolderHandle& folder,
                             const std::string& name, const CopyChecks& checks);
// The same into the folder that `target` names.
CopyResult CopyFileNoReplace(const std::string& source, const std::string& target,
                             const CopyChecks& checks);
CopyResult CopyFileNoReplace(const std::string& source, const std::string& target,
                             bool flushToDisk);

enum class DeleteOutcome : std::uint8_t {
    Deleted,
    ReadOnly,  // write-protected, kept on purpose
    Changed,   // no longer the file that was copied
    Failed,
};

struct DeleteResult {
    DeleteOutcome Outcome = DeleteOutcome::Failed;
    std::string Reason;  // for Failed
};

// Deletes a copied source, but only while it is still the file that was
// copied, and never one that is write-protected: on Linux a file whose
// permission bits grant write permission to nobody, which is how a
// read-only (camera-protected) file on a FAT card shows; it is kept even
// when the program runs with full rights.
DeleteResult DeleteSourceIfUnchanged(const std::string& path, const FileIdentity& copied);

// The file under a path as it stands now, links followed; empty when there
// is none or it cannot be looked at.
std::optional<FileIdentity> IdentityOfFile(const std::string& path);

// Flushes a folder's entries to the disk; where the file system cannot flush
// one folder, the whole file system is flushed instead.
FileStatus FlushFolder(const std::string& path);

// Removes what killed runs left in a folder (temporary files, and claims of
// final names whose copies never arrived), but only while no live run copies
// into it. Returns the names removed.
std::vector<std::string> RemoveLeftoverCopies(const std::string& folder);
std::vector<std::string> RemoveLeftoverCopies(const FolderHandle& folder);

// The names RemoveLeftoverCopies would remove now, left where they are: a
// dry run must not touch them.
std::vector<std::string> FindLeftoverCopies(const std::string& folder);

}  // namespace quenby::platform
