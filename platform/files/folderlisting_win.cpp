#include <windows.h>

#include <algorithm>
#include <functional>
#include <unordered_map>
#include <utility>

#include "platform/files/folderhandle.h"
#include "platform/files/folderlisting.h"
#include "platform/files/namekey.h"
#include "platform/files/nameorder.h"
#include "platform/files/pathsep.h"
#include "platform/text/widetext.h"

namespace quenby::platform {
namespace {

std::uint64_t Join(DWORD high, DWORD low) {
    return (static_cast<std::uint64_t>(high) << 32) | low;
}

// Opens an entry the way a program using it would: links and junctions are
// followed, folders need backup semantics to be opened at all.
HANDLE OpenFollowing(const std::wstring& path) {
    return ::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

bool InformationFollowing(const std::wstring& path, BY_HANDLE_FILE_INFORMATION& info) {
    const HANDLE handle = OpenFollowing(path);
    if (handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    const bool ok = ::GetFileInformationByHandle(handle, &info) != FALSE;
    ::CloseHandle(handle);
    return ok;
}

}  // namespace

std::optional<FolderListing> FolderListing::Read(const std::string& path, Order order, Links links,
                                                 Failure& failure) {
    failure = Failure();
    if (path.empty()) {
        return std::nullopt;
    }
    const std::string folder = WithTrailingSeparator(path);
    if (links == Links::Refuse) {
        const DWORD attributes = ::GetFileAttributesW(ToWide(folder).c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES &&
            (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
            return std::nullopt;
        }
    }
    WIN32_FIND_DATAW data;
    const HANDLE find = ::FindFirstFileW(ToWide(folder + "*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        failure.Absent = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
                         error == ERROR_DIRECTORY || error == ERROR_INVALID_NAME ||
                         error == ERROR_BAD_NETPATH;
        failure.Reason = WindowsErrorText(error);
        return std::nullopt;
    }
    FolderListing listing;
    listing.m_path = folder;
    do {
        const std::wstring_view name(data.cFileName);
        if (name == L"." || name == L"..") {
            continue;
        }
        Entry entry;
        entry.Name = FromWide(name);
        entry.Attributes = data.dwFileAttributes;
        entry.LastWriteTime =
            Join(data.ftLastWriteTime.dwHighDateTime, data.ftLastWriteTime.dwLowDateTime);
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
            entry.Type = Kind::Link;
        } else if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            entry.Type = Kind::Directory;
        } else {
            entry.Type = Kind::Other;
        }
        listing.m_entries.push_back(std::move(entry));
    } while (::FindNextFileW(find, &data));
    ::FindClose(find);

    // The folder's own identity, so that a walk that comes back to it
    // through a junction stops.
    BY_HANDLE_FILE_INFORMATION info;
    if (InformationFollowing(ToWide(folder), info)) {
        listing.m_identity = {info.dwVolumeSerialNumber,
                              Join(info.nFileIndexHigh, info.nFileIndexLow)};
    } else {
        listing.m_identity = {UINT64_MAX, std::hash<std::string>{}(FolderNameKey(folder))};
    }
    if (order == Order::ByName) {
        std::sort(listing.m_entries.begin(), listing.m_entries.end(),
                  [](const Entry& a, const Entry& b) { return FolderNameLess(a.Name, b.Name); });
    }
    return listing;
}

std::optional<FolderListing> FolderListing::Read(const FolderHandle& folder, Order order) {
    Failure ignored;
    return Read(folder.Path(), order, Links::Follow, ignored);
}

FolderListing::FolderListing(FolderListing&& other) noexcept
    : m_path(std::move(other.m_path)),
      m_identity(other.m_identity),
      m_entries(std::move(other.m_entries)) {}

FolderListing& FolderListing::operator=(FolderListing&& other) noexcept {
    if (this != &other) {
        m_path = std::move(other.m_path);
        m_identity = other.m_identity;
        m_entries = std::move(other.m_entries);
    }
    return *this;
}

FolderListing::~FolderListing() = default;

bool FolderListing::IsDirectory(std::size_t index) const {
    return Resolve(index) == Resolved::Folder;
}

bool FolderListing::IsPlainFolder(std::size_t index) const {
    return m_entries[index].Type == Kind::Directory;
}

FolderListing::Resolved FolderListing::Resolve(std::size_t index) const {
    const Entry& entry = m_entries[index];
    if (entry.Type == Kind::Directory) {
        return Resolved::Folder;
    }
    if (entry.Type == Kind::Other) {
        return Resolved::File;
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (!InformationFollowing(ToWide(m_path + entry.Name), info)) {
        return Resolved::DanglingLink;
    }
    return (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? Resolved::Folder
                                                                   : Resolved::File;
}

bool FolderListing::Details(std::size_t index, EntryDetails& details) const {
    const Entry& entry = m_entries[index];
    const std::wstring path = ToWide(m_path + entry.Name);
    if (entry.Type == Kind::Link) {
        BY_HANDLE_FILE_INFORMATION info;
        if (InformationFollowing(path, info)) {
            details.Attributes = info.dwFileAttributes;
            details.LastWriteTime =
                Join(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime);
            details.Size = Join(info.nFileSizeHigh, info.nFileSizeLow);
            return true;
        }
    }
    // Asked afresh rather than taken from the enumeration: an entry that
    // vanished meanwhile has no details. A dangling link reports itself.
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
        return false;
    }
    details.Attributes = data.dwFileAttributes;
    details.LastWriteTime =
        Join(data.ftLastWriteTime.dwHighDateTime, data.ftLastWriteTime.dwLowDateTime);
    details.Size = Join(data.nFileSizeHigh, data.nFileSizeLow);
    return true;
}

std::vector<bool> FolderListing::Matches(const WildcardPattern& pattern) const {
    std::vector<bool> matches(m_entries.size(), false);
    WIN32_FIND_DATAW data;
    const HANDLE find = ::FindFirstFileW(ToWide(m_path + pattern.Text()).c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) {
        return matches;
    }
    // Names compare without regard to case on this system, so a name that
    // the enumeration spells differently still finds its entry.
    std::unordered_map<std::string, std::size_t> byName;
    byName.reserve(m_entries.size());
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        byName.emplace(FolderNameKey(m_entries[i].Name), i);
    }
    do {
        const auto found = byName.find(FolderNameKey(FromWide(data.cFileName)));
        if (found != byName.end()) {
            matches[found->second] = true;
        }
    } while (::FindNextFileW(find, &data));
    ::FindClose(find);
    return matches;
}

}  // namespace quenby::platform
