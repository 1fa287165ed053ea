#include "sorting/dirscan.h"

#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

#include "platform/files/folderlisting.h"
#include "platform/files/mounts.h"
#include "platform/files/pathsep.h"
#include "platform/locale/localtime.h"
#include "platform/text/wildcard.h"

namespace quenby {

std::atomic<int> ScanPauseMs{0};
std::atomic<bool> ScanStopRequested{false};
std::function<void()> ScanPauseHook;

namespace {

void Pause(int ms) {
    if (ms < 1) {
        return;
    }
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
        const auto now = std::chrono::steady_clock::now();
        if (ScanPauseHook) {
            ScanPauseHook();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        if (now - start >= std::chrono::milliseconds(ms)) {
            return;
        }
    }
}

class TreeWalk {
public:
    TreeWalk(std::span<const std::string> patterns, const FolderVisitor& visitor,
             const ScanControl& control)
        : m_visitor(visitor), m_control(control) {
        m_patterns.reserve(patterns.size());
        for (const std::string& pattern : patterns) {
            m_patterns.emplace_back(pattern);
        }
    }

    // Only the folder the walk was given may be reached through a link.
    void Visit(const std::string& path, bool isStart) {
        Pause(ScanPauseMs.load());
        if (Stopped()) {
            return;
        }
        std::vector<std::string> subFolders;
        {
            platform::FolderListing::Failure failure;
            std::optional<platform::FolderListing> listing =
                platform::FolderListing::Read(path, platform::FolderListing::Order::ByName,
                                              isStart ? platform::FolderListing::Links::Follow
                                                      : platform::FolderListing::Links::Refuse,
                                              failure);
            if (!failure.Absent && m_control.OnUnreadableFolder) {
                m_control.OnUnreadableFolder(path, failure.Reason);
            }
            if (!listing) {
                return;
            }
            for (const platform::FolderIdentity& ancestor : m_ancestors) {
                if (ancestor == listing->Identity()) {
                    return;
                }
            }
            // A source folder "/" would read all of /proc and /sys, where no
            // photo lives; only where a walk crosses into another file
            // system is it asked which kind that is.
            if ((m_ancestors.empty() || m_ancestors.back().Device != listing->Identity().Device) &&
                !platform::HoldsUserFiles(listing->Identity())) {
                return;
            }
            m_ancestors.push_back(listing->Identity());
            for (std::size_t i = 0; i < listing->Size(); ++i) {
                if (listing->IsPlainFolder(i)) {
                    subFolders.push_back(listing->Name(i));
                }
            }
            // The listing goes with its matches, so nothing that stays open
            // here grows with the depth of the tree.
            std::vector<FolderMatch> matches = Matches(*listing);
            m_visitor(path, std::move(*listing), std::move(matches));
        }
        for (const std::string& name : subFolders) {
            std::string subPath = path;
            subPath += name;
            subPath.push_back(platform::kPathSeparator);
            Visit(subPath, false);
            if (Stopped()) {
                break;
            }
        }
        m_ancestors.pop_back();
    }

private:
    bool Stopped() const {
        return ScanStopRequested.load() || (m_control.Stop != nullptr && m_control.Stop->load());
    }

    // Pattern by pattern, each in the listing's order.
    std::vector<FolderMatch> Matches(const platform::FolderListing& listing) const {
        std::vector<FolderMatch> matches;
        for (std::size_t p = 0; p < m_patterns.size(); ++p) {
            const std::vector<bool> selected = listing.Matches(m_patterns[p]);
            for (std::size_t i = 0; i < listing.Size(); ++i) {
                if (selected[i]) {
                    matches.push_back({p, i});
                }
            }
        }
        return matches;
    }

    const FolderVisitor& m_visitor;
    const ScanControl& m_control;
    std::vector<platform::WildcardPattern> m_patterns;
    std::vector<platform::FolderIdentity> m_ancestors;
};

}  // namespace

DateTimeValue LocalTimeStamp(const ScanEntry& entry) {
    platform::CalendarTime local;
    if (!platform::FileTimeToLocalCalendar(entry.LastWriteTime, local)) {
        return 0.0;
    }
    DateTimeValue date = 0.0;
    if (!TryEncodeDate(local.Year, local.Month, local.Day, date)) {
        return 0.0;
    }
    double fraction = 0.0;
    if (!TryEncodeTime(local.Hour, local.Minute, local.Second, local.Millisecond, fraction)) {
        return date;
    }
    return CombineDateAndTime(date, fraction);
}

bool ReadScanEntry(const platform::FolderListing& listing, std::size_t index, ScanEntry& entry) {
    platform::EntryDetails details;
    if (!listing.Details(index, details) ||
        (details.Attributes & platform::kAttributeDirectory) != 0) {
        return false;
    }
    entry.Name = listing.Name(index);
    entry.Attributes = details.Attributes;
    entry.LastWriteTime = details.LastWriteTime;
    entry.Size = details.Size;
    entry.Device = details.Device;
    entry.Inode = details.Inode;
    return true;
}

void WalkFolderTree(const std::string& folder, std::span<const std::string> patterns,
                    const FolderVisitor& visitor, const ScanControl& control) {
    ScanStopRequested.store(false);
    if (folder.empty()) {
        return;
    }
    TreeWalk walk(patterns, visitor, control);
    walk.Visit(platform::WithTrailingSeparator(folder), true);
}

void ScanFolderTreeForPatterns(const std::string& folder, std::span<const std::string> patterns,
                               const MultiScanCallback& callback, const ScanControl& control) {
    ScanEntry entry;
    WalkFolderTree(
        folder, patterns,
        [&](const std::string& folderPath, platform::FolderListing listing,
            std::vector<FolderMatch> matches) {
            for (const FolderMatch& match : matches) {
                if (ReadScanEntry(listing, match.EntryIndex, entry)) {
                    callback(match.PatternIndex, folderPath, entry);
                }
            }
        },
        control);
}

void ScanFolderTree(const std::string& folder, const std::string& pattern,
                    const ScanCallback& callback) {
    const std::string patterns[] = {pattern};
    ScanFolderTreeForPatterns(folder, patterns,
                              [&callback](std::size_t, const std::string& folderPath,
                                          const ScanEntry& entry) { callback(folderPath, entry); });
}

}  // namespace quenby
