#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quenby::platform {

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
    Exists,            // the final name was taken, maybe in another letter case
    Failed,            // nothing of the copy is left
};

struct CopyResult {
    CopyOutcome Outcome = CopyOutcome::Failed;
    // Why it failed, or why the copy is not known to be on the disk.
    std::string Reason;
    // The source as its copy began; set whenever the source could be opened.
    FileIdentity Source;
};

// The folders one run copies into, kept open from one copy to the next and
// closed when this ends.
class CopyTargets {
public:
    struct Folders;

    CopyTargets();
    CopyTargets(const CopyTargets&) = delete;
    CopyTargets& operator=(const CopyTargets&) = delete;
    ~CopyTargets();

    Folders& Get() { return *m_folders; }

private:
    std::unique_ptr<Folders> m_folders;
};

// What a copy makes sure of before it reports Copied.
struct CopyChecks {
    // The copy and its folder entry are on the disk, so the source may be
    // deleted safely afterwards.
    bool FlushToDisk = false;
    // The copy's bytes, flushed and read back from the disk (not from the
    // system's cache), equal the source's before the copy takes its final
    // name; a copy that differs is removed and the copy fails.
    bool Verify = false;
};

// Copies a regular file with its contents, last-write time and, where the
// file system holds them, its permission bits. An existing entry under the
// target name is never replaced, and the target name never shows a file that
// is cut short, also when the process is killed at any moment.
CopyResult CopyFileNoReplace(const std::string& source, const std::string& target,
                             CopyChecks checks, CopyTargets& targets);
CopyResult CopyFileNoReplace(const std::string& source, const std::string& target, bool flushToDisk,
                             CopyTargets& targets);
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

// Flushes a folder's entries to the disk; where the file system cannot flush
// one folder, the whole file system is flushed instead.
FileStatus FlushFolder(const std::string& path);

// Removes what killed runs left in a folder (temporary files, and claims of
// final names whose copies never arrived), but only while no live run copies
// into it. Returns the names removed.
std::vector<std::string> RemoveLeftoverCopies(const std::string& folder);

// The names RemoveLeftoverCopies would remove now, left where they are: a
// dry run must not touch them.
std::vector<std::string> FindLeftoverCopies(const std::string& folder);

}  // namespace quenby::platform
