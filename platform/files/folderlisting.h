#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/text/wildcard.h"

namespace quenby::platform {

// File-attribute bits as the scanner reports them.
inline constexpr std::uint32_t kAttributeReadOnly = 0x01;
inline constexpr std::uint32_t kAttributeHidden = 0x02;
inline constexpr std::uint32_t kAttributeSystem = 0x04;
inline constexpr std::uint32_t kAttributeDirectory = 0x10;
// Neither a regular file nor a folder: a pipe, socket or device node, which
// nothing should open to look inside.
inline constexpr std::uint32_t kAttributeDevice = 0x40;
inline constexpr std::uint32_t kAttributeNormal = 0x80;

// Names a folder on its device, so that a walk can tell a folder it has
// already entered, whatever path led to it.
struct FolderIdentity {
    std::uint64_t Device = 0;
    std::uint64_t Inode = 0;

    bool operator==(const FolderIdentity&) const = default;
};

struct EntryDetails {
    std::uint32_t Attributes = 0;
    // 100-nanosecond intervals since 1 January 1601 UTC; UINT64_MAX when the
    // time lies before that day and cannot be written this way.
    std::uint64_t LastWriteTime = 0;
    std::uint64_t Size = 0;
    // The file itself on its device, so that a copy can make sure it reads
    // the file that was found; 0 where the listing cannot tell (Windows).
    std::uint64_t Device = 0;
    std::uint64_t Inode = 0;
};

// What tells a copy from another photo of its name without reading either:
// its size and last-write time (100-nanosecond intervals since 1601 UTC).
struct FileFacts {
    std::uint64_t Size = 0;
    std::uint64_t LastWriteTime = 0;
};

class FolderHandle;

// Every entry of one folder, read in a single pass and held in name order
// (letter case ignored, so the order is the same on every machine). Details
// are fetched only for the entries that need them.
class FolderListing {
public:
    enum class Order : std::uint8_t { ByName, AsStored };
    // Whether the path's last part may be a link (Windows: a reparse point).
    // A walk refuses one below the folder it was given, so that a folder
    // swapped for a link after it was listed still leads nowhere else.
    enum class Links : std::uint8_t { Follow, Refuse };

    // Why a folder could not be listed. `Absent` when there is no folder to
    // read under that name (nothing there, a file, or a refused link); else
    // the folder is there but unreadable, and `Reason` is the system's text.
    // A listing cut short by a read error comes back with what was read and
    // the reason set.
    struct Failure {
        bool Absent = true;
        std::string Reason;
    };

    // Empty when the folder cannot be opened (missing, not a folder, no right
    // to read it, path too long). AsStored skips the sorting for callers
    // that only look names up.
    static std::optional<FolderListing> Read(const std::string& path, Order order = Order::ByName) {
        Failure ignored;
        return Read(path, order, Links::Follow, ignored);
    }
    static std::optional<FolderListing> Read(const std::string& path, Order order, Links links,
                                             Failure& failure);
    // The folder held by a handle, whatever its path leads to now.
    static std::optional<FolderListing> Read(const FolderHandle& folder, Order order);

    FolderListing(FolderListing&& other) noexcept;
    FolderListing& operator=(FolderListing&& other) noexcept;
    FolderListing(const FolderListing&) = delete;
    FolderListing& operator=(const FolderListing&) = delete;
    ~FolderListing();

    const FolderIdentity& Identity() const { return m_identity; }
    std::size_t Size() const { return m_entries.size(); }
    const std::string& Name(std::size_t index) const { return m_entries[index].Name; }

    // Directory test that follows links: a link to a folder is a folder.
    bool IsDirectory(std::size_t index) const;
    // A folder that is no link to one (Windows: no reparse point), the only
    // kind a walk enters.
    bool IsPlainFolder(std::size_t index) const;

    enum class Resolved : std::uint8_t { Folder, File, DanglingLink };
    // What the entry is when links are followed; anything that is not a
    // folder counts as a file.
    Resolved Resolve(std::size_t index) const;

    // Attributes and last-write time, following links (a dangling link
    // reports itself). False when the entry vanished since it was listed.
    bool Details(std::size_t index, EntryDetails& details) const;

    // Which entries a file-name pattern selects, by this system's own rules:
    // Windows asks its enumeration (which also matches short 8.3 names),
    // elsewhere the pattern's own matcher decides.
    std::vector<bool> Matches(const WildcardPattern& pattern) const;

private:
    enum class Kind : std::uint8_t { Directory, Other, Link, Unresolved };
    struct Entry {
        std::string Name;
        Kind Type;
#ifdef _WIN32
        std::uint32_t Attributes = 0;
        std::uint64_t LastWriteTime = 0;
#endif
    };

    FolderListing() = default;
#ifndef _WIN32
    // Lists the folder open on `fd`, which the listing then owns.
    static std::optional<FolderListing> ReadOpen(int fd, Order order, Failure& failure);
#endif

#ifdef _WIN32
    std::string m_path;  // ends with the separator
#else
    int m_fd = -1;
#endif
    FolderIdentity m_identity;
    std::vector<Entry> m_entries;
};

}  // namespace quenby::platform
