#include <atomic>
#include <cstdint>
#include <deque>
#include <thread>
#include <utility>

#include "platform/files/namekey.h"
#include "platform/files/pathsep.h"
#include "platform/files/preview.h"
#include "sorting/openbudget.h"
#include "sorting/runeffects.h"

namespace quenby {
namespace {

std::uint64_t NextRunSerial() {
    static std::atomic<std::uint64_t> runs{0};
    return ++runs;
}

// The effects that change the file system. The target folder is opened
// once, and every day folder is made and opened through it, so that nothing
// lands on whatever the path comes to lead to: a desktop unmounts a drive
// that was pulled out lazily, and leaves the empty mount point behind.
class RealEffects final : public RunEffects {
public:
    RealEffects(const SortOptions& options, const StopRequest* stop,
                const DateNamingSettings& naming)
        : m_options(options),
          m_stop(stop),
          m_naming(naming),
          m_root(platform::WithTrailingSeparator(options.TargetRoot)),
          m_mostOpenDays(OpenFolderBudget()) {
        platform::FolderHandle::Failure failure;
        m_rootFolder = platform::FolderHandle::Open(m_root, &failure);
        m_rootFailure = failure.Reason;
    }

    // A second run asks it of every file, and the threads that read the
    // files' details are there anyway.
    void LookUpTaken(Suchrecord& record) const override {
        if (!m_rootFolder) {
            return;
        }
        // Writing a date costs more than the look-up: each thread keeps the
        // day folder names it wrote, and whether the folder is there at all,
        // which in a first run it mostly is not.
        struct WrittenDay {
            std::string Name;
            bool There = false;
        };
        thread_local struct {
            std::uint64_t Run = 0;
            std::unordered_map<std::int64_t, WrittenDay> Days;
        } written;
        if (written.Run != m_serial) {
            written.Run = m_serial;
            written.Days.clear();
        }
        const std::int64_t key = CalendarDayKey(record.Datum);
        auto day = written.Days.find(key);
        if (day == written.Days.end()) {
            std::string name = RenderDate(record.Datum, m_naming);
            const bool there = m_rootFolder->HoldsFolder(name);
            day = written.Days.emplace(key, WrittenDay{std::move(name), there}).first;
        }
        if (!day->second.There) {
            return;
        }
        std::string path = day->second.Name;
        path.push_back(platform::kPathSeparator);
        path += m_options.RenameFiles ? CopyName(record, m_options, m_naming) : record.Onlyname;
        record.TakenInTarget = m_rootFolder->FactsOf(path);
    }

    bool CanList() const override { return m_rootFolder.has_value(); }

    std::optional<ListedDay> ListAhead(const std::string& name, const std::string&) const override {
        const std::optional<platform::FolderHandle> handle = m_rootFolder->OpenChild(name);
        if (!handle) {
            return std::nullopt;
        }
        ListedDay listed;
        listed.Identity = handle->Identity();
        listed.Leftovers = TakeListing(
            platform::FolderListing::Read(*handle, platform::FolderListing::Order::AsStored),
            listed.Day);
        if (!listed.Day.Listed) {
            return std::nullopt;
        }
        return listed;
    }

    platform::CopyResult Copy(const Suchrecord& record, DayFolder& day, const std::string& name,
                              const std::string&) override {
        platform::CopyResult failed;
        // The copy goes through the day folder's handle, so it lands on the
        // drive the run began with or fails; looking at the target's path
        // now and then is enough to stop soon after the drive went away.
        if (!TargetStillThere(kLookAgainAfter)) {
            failed.Reason = m_stopReason;
            return failed;
        }
        platform::CopyChecks checks;
        // Remembered copies are made durable a batch at a time, where the
        // system can flush a whole file system.
        checks.FlushToDisk = m_options.DeleteSources ||
                             (m_options.OnlyNew && !platform::FolderHandle::kFlushesFileSystem);
        checks.Verify = m_options.VerifyCopies;
        if (record.Inode != 0) {
            checks.ExpectedSource = platform::FileKey{record.Device, record.Inode};
        }
        checks.Abandon = m_stop != nullptr ? &m_stop->Now : nullptr;
        platform::CopyResult copy;
        // Out of descriptors, the folders held open for later files make room.
        for (int attempt = 0; attempt < 2; ++attempt) {
            const platform::FolderHandle* folder = DayHandle(day, failed.Reason);
            if (folder == nullptr) {
                return failed;
            }
            copy = platform::CopyFileNoReplace(record.Dateiname, *folder, name, checks);
            if (copy.Failure != platform::CopyFailure::TooManyOpenFiles) {
                break;
            }
            CloseDayHandles(&day);
        }
        return copy;
    }

    void Copied(DayFolder&, const std::string&, const Suchrecord&) override {}

    void TakenFile(const DayFolder&, const std::string&, std::string&) const override {}

    std::optional<platform::FileFacts> TakenFacts(const DayFolder& day, const std::string& name,
                                                  const std::string& taken) const override {
        return day.Handle ? day.Handle->FactsOf(name) : platform::RegularFileFacts(taken);
    }

    // Where names match in any letter case (FAT, exFAT, network mounts),
    // another run names its copy by first claiming the name with an empty
    // file, which its finished copy replaces a moment later.
    std::optional<platform::FileFacts> Settled(const DayFolder& day, const std::string& name,
                                               platform::FileFacts facts) const override {
        if (!day.Handle) {
            return facts;
        }
        constexpr int kLooks = 200;
        for (int look = 0; look < kLooks && facts.Size == 0; ++look) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            const std::optional<platform::FileFacts> now = day.Handle->FactsOf(name);
            if (!now) {
                return now;
            }
            facts = *now;
        }
        return facts;
    }

    bool ReadsBytes() const override { return true; }

    platform::FileComparison CompareBytes(const std::string& source,
                                          const std::string& taken) const override {
        return platform::CompareContents(source, taken);
    }

    platform::DeleteResult Delete(const Suchrecord& record,
                                  const platform::FileIdentity& copied) override {
        return platform::DeleteSourceIfUnchanged(record.Dateiname, copied);
    }

    platform::FileStatus MakeCopiesDurable() override {
        return m_rootFolder ? m_rootFolder->FlushFileSystem() : platform::FileStatus{};
    }

    // No source may go on the strength of a copy that is out of the user's
    // reach now, on a drive unmounted while the run went on.
    bool TargetStillThere(std::chrono::milliseconds unlessLookedWithin) override {
        if (!m_stopReason.empty()) {
            return false;
        }
        const auto now = std::chrono::steady_clock::now();
        if (!m_rootFolder || now - m_lookedAtTarget < unlessLookedWithin) {
            return true;
        }
        m_lookedAtTarget = now;
        const platform::FolderHandle::Place place = m_rootFolder->WhereIs(m_root);
        if (place != platform::FolderHandle::Place::Same) {
            m_stopReason =
                "the target folder " + platform::WithoutTrailingSeparator(m_root) +
                " is no longer the " +
                (place == platform::FolderHandle::Place::OtherDrive ? "drive" : "folder") +
                " it was: stopped";
        }
        return m_stopReason.empty();
    }

private:
    static constexpr std::chrono::milliseconds kLookAgainAfter{100};

    std::optional<DayFolder> OpenDay(const std::string& name, const std::string& path,
                                     std::optional<ListedDay> ahead, bool& created,
                                     std::string& failure) override {
        if (!TargetStillThere(std::chrono::milliseconds{})) {
            failure = m_stopReason;
            return std::nullopt;
        }
        if (!m_rootFolder) {
            failure = "cannot create folder " + path + ": " + m_rootFailure;
            return std::nullopt;
        }
        DayFolder day;
        day.Name = name;
        day.Path = path;
        std::string reason;
        bool absent = false;
        std::optional<platform::FolderHandle> handle = OpenChild(name, reason, &absent);
        if (!handle && absent) {
            const platform::FileStatus made = m_rootFolder->CreateChild(name);
            created = made.Ok;
            // Another run may have made it meanwhile: then it is there.
            handle = OpenChild(name, reason, &absent);
            if (!created && !handle) {
                failure = "cannot create folder " + path + ": " + made.Reason;
                return std::nullopt;
            }
        }
        if (!handle) {
            // A file of that name, or a folder we may not enter.
            created = false;
            failure = "cannot open folder " + path + ": " + reason;
            return std::nullopt;
        }
        if (created) {
            day.Listed = true;
            // The new folder's own entry must be on disk before any source
            // that relies on it is deleted.
            if (m_options.DeleteSources) {
                if (const platform::FileStatus flushed = m_rootFolder->Flush(); !flushed) {
                    day.FlushFailure = "flushing " + m_root + " failed: " + flushed.Reason;
                }
            }
        } else {
            bool leftovers = false;
            if (ahead && ahead->Identity == handle->Identity()) {
                day.Listed = ahead->Day.Listed;
                day.Files = std::move(ahead->Day.Files);
                leftovers = ahead->Leftovers;
                day.TakenAhead = !leftovers;
            } else {
                leftovers = TakeListing(platform::FolderListing::Read(
                                            *handle, platform::FolderListing::Order::AsStored),
                                        day);
            }
            if (leftovers) {
                for (const std::string& removed : platform::RemoveLeftoverCopies(*handle)) {
                    day.Files.erase(platform::FolderNameKey(removed));
                }
            }
        }
        day.Identity = handle->Identity();
        day.Handle = std::move(handle);
        return day;
    }

    void Keep(DayFolder& day) override {
        platform::FolderHandle handle = std::move(*day.Handle);
        day.Handle.reset();
        Hold(day, std::move(handle));
    }

    // The day folder's handle, opened again through the target folder when
    // it was closed to make room; null with the reason when it cannot be.
    const platform::FolderHandle* DayHandle(DayFolder& day, std::string& reason) {
        if (day.Handle) {
            return &*day.Handle;
        }
        std::optional<platform::FolderHandle> handle = OpenChild(day.Name, reason);
        if (!handle) {
            reason = "cannot open folder " + day.Path + ": " + reason;
            return nullptr;
        }
        if (handle->Identity() != day.Identity) {
            m_stopReason = "the folder " + day.Path + " is no longer the folder it was: stopped";
            reason = m_stopReason;
            return nullptr;
        }
        return &Hold(day, std::move(*handle));
    }

    // Opens a day folder below the target; out of descriptors, the folders
    // held for later files are closed and it is tried once more.
    std::optional<platform::FolderHandle> OpenChild(const std::string& name, std::string& reason,
                                                    bool* absent = nullptr) {
        platform::FolderHandle::Failure failure;
        std::optional<platform::FolderHandle> handle = m_rootFolder->OpenChild(name, &failure);
        if (!handle && failure.TooManyOpenFiles) {
            CloseDayHandles(nullptr);
            handle = m_rootFolder->OpenChild(name, &failure);
        }
        reason = failure.Reason;
        if (absent != nullptr) {
            *absent = failure.Absent;
        }
        return handle;
    }

    // Years of photos make thousands of day folders, and the system lets a
    // process hold only so many open: the longest held goes first.
    platform::FolderHandle& Hold(DayFolder& day, platform::FolderHandle handle) {
        while (m_openDays.size() >= m_mostOpenDays) {
            m_openDays.front()->Handle.reset();
            m_openDays.pop_front();
        }
        day.Handle = std::move(handle);
        m_openDays.push_back(&day);
        return *day.Handle;
    }

    void CloseDayHandles(const DayFolder* except) {
        std::deque<DayFolder*> kept;
        for (DayFolder* day : m_openDays) {
            if (day == except) {
                kept.push_back(day);
            } else {
                day->Handle.reset();
            }
        }
        m_openDays = std::move(kept);
    }

    const SortOptions& m_options;
    const StopRequest* const m_stop;
    const DateNamingSettings m_naming;
    const std::string m_root;
    // Tells this run's cached day names from an earlier run's.
    const std::uint64_t m_serial = NextRunSerial();
    std::optional<platform::FolderHandle> m_rootFolder;
    std::string m_rootFailure;  // why the target folder could not be opened
    std::chrono::steady_clock::time_point m_lookedAtTarget;
    std::deque<DayFolder*> m_openDays;  // those holding a handle, longest held first
    const std::size_t m_mostOpenDays;
};

}  // namespace

std::unique_ptr<RunEffects> MakeRealEffects(const SortOptions& options, const StopRequest* stop,
                                            const DateNamingSettings& naming) {
    return std::make_unique<RealEffects>(options, stop, naming);
}

}  // namespace quenby
