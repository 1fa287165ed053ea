#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/files/fileops.h"
#include "platform/files/folderlisting.h"

namespace quenby::platform {

// A folder held open, so that what a run makes in it lands in this very
// folder, also when its path comes to lead elsewhere: a drive unmounted
// lazily leaves its empty mount point behind on the system disk, and
// whatever was made there by path would vanish with the next reboot.
class FolderHandle {
public:
    struct Failure {
        bool Absent = false;  // nothing stands under that name
        bool TooManyOpenFiles = false;
        std::string Reason;
    };

    // Opens the folder a path names, following links.
    static std::optional<FolderHandle> Open(const std::string& path, Failure* failure = nullptr);

    FolderHandle(FolderHandle&& other) noexcept;
    FolderHandle& operator=(FolderHandle&& other) noexcept;
    FolderHandle(const FolderHandle&) = delete;
    FolderHandle& operator=(const FolderHandle&) = delete;
    ~FolderHandle();

    // The path it was opened by, for messages.
    const std::string& Path() const { return m_path; }
    const FolderIdentity& Identity() const { return m_identity; }

    // A folder inside this one, by name, links followed.
    std::optional<FolderHandle> OpenChild(const std::string& name,
                                          Failure* failure = nullptr) const;
    // Makes a folder inside this one (one level).
    FileStatus CreateChild(const std::string& name) const;

    // Whether a folder stands under a name, links followed.
    bool HoldsFolder(const std::string& name) const;

    // Size and time of the regular file under a name, links followed; empty
    // for anything else or nothing.
    std::optional<FileFacts> FactsOf(const std::string& name) const;

    // Where `path` leads now, against this folder.
    enum class Place : std::uint8_t {
        Same,
        OtherFolder,  // another folder on the same drive
        OtherDrive,   // another drive, or nothing at all
    };
    Place WhereIs(const std::string& path) const;

    // Flushes the folder's entries to the disk; where the file system cannot
    // flush one folder, the whole file system is flushed instead.
    FileStatus Flush() const;

    // Flushes everything written to the folder's file system, the copies
    // made through it included, in one go: many small copies become durable
    // at a fraction of what a flush of each would cost. Where the system
    // offers no such flush, each copy has to be flushed as it is made.
#ifdef _WIN32
    static constexpr bool kFlushesFileSystem = false;
#else
    static constexpr bool kFlushesFileSystem = true;
#endif
    FileStatus FlushFileSystem() const;

#ifdef _WIN32
    // The path of a name inside the folder.
    std::string PathOf(const std::string& name) const;
#else
    int Descriptor() const {
        return m_fd;
    }
#endif

private:
    FolderHandle() = default;
    void Close();

    std::string m_path;
    FolderIdentity m_identity;
#ifdef _WIN32
    void* m_handle = nullptr;  // held so the folder's volume stays known
#else
    int m_fd = -1;
#endif
};

}  // namespace quenby::platform
