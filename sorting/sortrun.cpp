#include "sorting/sortrun.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <exception>
#include <optional>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "base/parallel.h"
#include "base/stringtable.h"
#include "metadata/capturedate.h"
#include "platform/files/filecompare.h"
#include "platform/files/fileops.h"
#include "platform/files/folderexists.h"
#include "platform/files/folderhandle.h"
#include "platform/files/folderlisting.h"
#include "platform/files/namekey.h"
#include "platform/files/pathsep.h"
#include "platform/files/preview.h"
#include "platform/files/temporaryname.h"
#include "sorting/collect.h"
#include "sorting/datenaming.h"
#include "sorting/openbudget.h"

namespace quenby {
namespace {

bool StopRequested(const StopRequest* stop) {
    return stop != nullptr && stop->Requested();
}

// The name a copy takes beside a different file of its own name:
// "IMG_0001.JPG" becomes "IMG_0001-2.JPG"; a name without an extension, or
// a hidden one such as ".profile", gets the number at its end.
std::string NumberedName(const std::string& name, int number) {
    const std::size_t dot = name.rfind('.');
    const std::size_t cut = dot == std::string::npos || dot == 0 ? name.size() : dot;
    return name.substr(0, cut) + "-" + std::to_string(number) + name.substr(cut);
}

// A folder path as a person reads it: without its final separator, unless
// that is all there is.
std::string ForReading(std::string path) {
    if (path.size() > 1 && path.back() == platform::kPathSeparator) {
        path.pop_back();
    }
    return path;
}

// FAT keeps last-write times in steps of two seconds: a copy there carries
// its source's time only that closely.
constexpr std::uint64_t kFatTimeStep = 2 * 10'000'000;

bool SameFacts(const platform::FileFacts& a, const platform::FileFacts& b) {
    const std::uint64_t apart = a.LastWriteTime > b.LastWriteTime
                                    ? a.LastWriteTime - b.LastWriteTime
                                    : b.LastWriteTime - a.LastWriteTime;
    return a.Size == b.Size && apart < kFatTimeStep;
}

std::uint64_t NextRunSerial() {
    static std::atomic<std::uint64_t> runs{0};
    return ++runs;
}

class FileSteps {
public:
    FileSteps(const SortOptions& options, MessageList& messages, SortCounts& counts,
              const ProblemCallback& problems, const StopRequest* stop)
        : m_options(options),
          m_messages(messages),
          m_counts(counts),
          m_problems(problems),
          m_stop(stop),
          m_root(platform::WithTrailingSeparator(options.TargetRoot)),
          m_naming(LayoutDateNaming(options.LayoutIndex, options.SeparatorChar,
                                    options.FallbackDatePattern.empty()
                                        ? RegionalDatePattern()
                                        : options.FallbackDatePattern)),
          m_mostOpenDays(OpenFolderBudget()) {
        // Opened once: every day folder is made and opened through it, so
        // that nothing lands on whatever the path comes to lead to.
        if (!options.DryRun) {
            platform::FolderHandle::Failure failure;
            m_rootFolder = platform::FolderHandle::Open(m_root, &failure);
            m_rootFailure = failure.Reason;
        }
    }

    // Looks up, while the files are still being found, what stands under a
    // record's name in its day folder: a second run asks it of every file,
    // and the threads that read the files' details are there anyway. Runs
    // on any thread.
    void LookUpTaken(Suchrecord& record) const {
        if (!m_rootFolder) {
            return;
        }
        // Writing a date costs more than the look-up: each thread keeps the
        // day folder names it wrote, and whether the folder is there at all,
        // which in a first run it mostly is not.
        struct Day {
            std::string Name;
            bool There = false;
        };
        thread_local struct {
            std::uint64_t Run = 0;
            std::unordered_map<std::int64_t, Day> Days;
        } written;
        if (written.Run != m_serial) {
            written.Run = m_serial;
            written.Days.clear();
        }
        const std::int64_t key = DayKey(record.Datum);
        auto day = written.Days.find(key);
        if (day == written.Days.end()) {
            std::string name = RenderDate(record.Datum, m_naming);
            const bool there = m_rootFolder->HoldsFolder(name);
            day = written.Days.emplace(key, Day{std::move(name), there}).first;
        }
        if (!day->second.There) {
            return;
        }
        std::string path = day->second.Name;
        path.push_back(platform::kPathSeparator);
        path += m_options.RenameFiles ? NameOf(record) : record.Onlyname;
        record.TakenInTarget = m_rootFolder->FactsOf(path);
    }

    // True once the run must end: the target is no longer where it was.
    bool Stopped() const { return !m_stopReason.empty(); }

    // The step for found[index]; ListDayFoldersAhead(found) comes first.
    void Run(const FoundFiles& found, std::size_t index) {
        const Suchrecord& record = found[index];
        DayPath& day = *m_dayOfRecord[index];
        const std::string& folder = day.Path;
        const std::string name = NameOf(record);
        std::string target = folder;
        target.push_back(platform::kPathSeparator);
        target += name;
        // A prefix such as "../../x_" would put the copy outside its day
        // folder, and "." or ".." names no file: such a name is never used.
        if (!IsPlainFileName(name)) {
            ++m_counts.Failed;
            m_messages.Add(FormatText(LoadStr(kStrCouldNotCopy), {record.Dateiname, target}));
            Report("cannot copy " + record.Dateiname + " to " + target +
                   ": prefix and suffix make no plain file name");
            return;
        }
        if (day.Folder == nullptr) {
            day.Folder = m_options.DryRun ? EnsureForeseenFolder(day) : EnsureFolder(day);
        }
        if (Stopped()) {
            Fail(record, target, m_stopReason);
            return;
        }
        if (!record.DateFailure.empty()) {
            Report("cannot read the capture date of " + record.Dateiname + ": " +
                   record.DateFailure + "; it goes by its last-write time" +
                   (m_options.DeleteSources ? " and stays where it is" : ""));
        }

        const std::optional<platform::CopyResult> copy =
            CopyUnderFreeName(record, day.Folder, name, target);
        if (!copy) {
            return;
        }
        ++m_counts.Copied;
        m_messages.Add(FormatText(LoadStr(kStrCopiedFile), {record.Dateiname, target}));
        if (!m_options.DeleteSources || !record.DateFailure.empty()) {
            return;
        }
        // The source goes only when every flush its copy depends on
        // succeeded: otherwise the copy may vanish with the next power cut.
        if (copy->Outcome == platform::CopyOutcome::CopiedNotFlushed) {
            KeptNotOnDisk(record, target, copy->Reason);
        } else if (copy->Outcome == platform::CopyOutcome::CopiedMoreThanItsSize) {
            Report("kept " + record.Dateiname + ": " + copy->Reason +
                   "; its copy holds every byte read");
        } else if (day.Folder != nullptr && !day.Folder->FlushFailure.empty()) {
            KeptNotOnDisk(record, target, day.Folder->FlushFailure);
        } else if (!m_options.DryRun && !TargetStillThere()) {
            Report("kept " + record.Dateiname + ": " + m_stopReason);
        } else {
            DeleteSource(record, copy->Source);
        }
    }

    // Works out each record's day folder once, and lists, before the first
    // step, every one the records need that is there already, several at
    // once: one after another, each at the first file of its day, they would
    // hold up a run whose copies exist. Each listing is taken up at that
    // first file, when the folder is still the same; whatever is put there
    // meanwhile is still safe, as the copy never replaces a file.
    void ListDayFoldersAhead(const FoundFiles& found, unsigned helpers) {
        std::vector<DayPath*> days;
        std::unordered_set<std::string_view> seen;
        m_dayOfRecord.reserve(found.size());
        for (const Suchrecord& record : found) {
            const std::size_t known = m_days.size();
            DayPath& day = DayPathOf(record.Datum);
            m_dayOfRecord.push_back(&day);
            if (m_days.size() != known && seen.insert(day.Path).second) {
                days.push_back(&day);
            }
        }
        if (!m_options.DryRun && !m_rootFolder) {
            return;
        }
        std::vector<std::optional<ListedDay>> listed(days.size());
        RunInParallel(days.size(), helpers, [&](std::size_t i) {
            if (!StopRequested(m_stop)) {
                listed[i] = ListAhead(*days[i]);
            }
        });
        for (std::size_t i = 0; i < days.size(); ++i) {
            if (listed[i]) {
                m_listedAhead.emplace(days[i]->Path, std::move(*listed[i]));
            }
        }
    }

private:
    // What the run knows of one day's folder. Each is read once, before the
    // first step or when the run first needs it, and then kept up to date
    // with the run's own copies, so that asking whether a target exists
    // costs no disk access.
    // The copy itself never replaces anything, so a file that another
    // program puts there meanwhile is still safe: the copy reads "exists".
    struct DayFolder {
        std::string Name;  // below the target folder
        // Held open while room allows; opened again through the target
        // folder when needed, and then it must be the same folder.
        std::optional<platform::FolderHandle> Handle;
        platform::FolderIdentity Identity;
        bool Listed = false;
        std::unordered_set<std::string> Files;  // names that count as existing files
        // Why the folder's own entry is not known to be on the disk.
        std::string FlushFailure;
        // A dry run's: the folder is not there yet, and the copies that the
        // run would put into it (or into the folder that is there), by name,
        // with their sources.
        bool Planned = false;
        std::unordered_map<std::string, std::string> PlannedCopies;
        // A dry run's: what a killed run left, which the run would remove.
        std::unordered_set<std::string> Leftovers;
        // Sizes and times of taken names, each looked up once: with
        // keep-both and renaming, the photos of a day try every name of that
        // day. The records' own names were looked up while the files were
        // found, which holds while the folder is the one listed ahead and no
        // leftover was removed from it since.
        std::unordered_map<std::string, std::optional<platform::FileFacts>> Facts;
        bool TakenAhead = false;
    };

    // The photos of one day lie scattered over a card: each day's folder
    // path is written once, and its folder looked up by path until it is
    // there (several days share one where the date pattern leaves out the day).
    struct DayPath {
        std::string Name;
        std::string Path;
        DayFolder* Folder = nullptr;
    };

    // A day folder as listed ahead of its first step.
    struct ListedDay {
        DayFolder Day;
        platform::FolderIdentity Identity;
        bool Leftovers = false;
    };

    // The day's listing made ahead, when it was.
    std::optional<ListedDay> TakeAhead(const DayPath& day) {
        auto ahead = m_listedAhead.extract(day.Path);
        if (!ahead) {
            return std::nullopt;
        }
        return std::move(ahead.mapped());
    }

    std::optional<ListedDay> ListAhead(const DayPath& day) const {
        ListedDay listed;
        if (m_options.DryRun) {
            if (!platform::FolderExists(day.Path)) {
                return std::nullopt;
            }
            listed.Leftovers = ListDayFolder(
                platform::FolderListing::Read(day.Path, platform::FolderListing::Order::AsStored),
                listed.Day);
        } else {
            const std::optional<platform::FolderHandle> handle = m_rootFolder->OpenChild(day.Name);
            if (!handle) {
                return std::nullopt;
            }
            listed.Identity = handle->Identity();
            listed.Leftovers = ListDayFolder(
                platform::FolderListing::Read(*handle, platform::FolderListing::Order::AsStored),
                listed.Day);
        }
        if (!listed.Day.Listed) {
            return std::nullopt;
        }
        return listed;
    }

    std::string NameOf(const Suchrecord& record) const {
        return m_options.RenameFiles
                   ? ComposeDateName(record.Datum, m_options.Prefix, m_options.Suffix, m_naming)
                   : record.Onlyname;
    }

    // Copies the record under `name`, or, to keep both files, under the
    // first numbered name that is free or holds the same content. A step
    // that ends without a copy gets its line here. `target` ends as the
    // path that was copied to, or found taken.
    std::optional<platform::CopyResult> CopyUnderFreeName(const Suchrecord& record, DayFolder* day,
                                                          const std::string& name,
                                                          std::string& target) {
        constexpr int kMostNumbers = 99'999;
        const std::string folder = target.substr(0, target.size() - name.size());
        const bool keepBoth = m_options.OnNameClash == NameClash::KeepBoth;
        for (int number = 1; number <= kMostNumbers; ++number) {
            const std::string candidate = number == 1 ? name : NumberedName(name, number);
            target = folder + candidate;
            platform::CopyResult copy;
            copy.Outcome = platform::CopyOutcome::Exists;
            if (!TargetExists(day, candidate, target)) {
                copy = Copy(record, candidate, target, day);
            }
            switch (copy.Outcome) {
                case platform::CopyOutcome::Copied:
                case platform::CopyOutcome::CopiedNotFlushed:
                case platform::CopyOutcome::CopiedMoreThanItsSize:
                    Taken(day, candidate, record);
                    return copy;
                case platform::CopyOutcome::Failed:
                    Fail(record, target, day == nullptr ? m_folderFailure : copy.Reason);
                    return std::nullopt;
                case platform::CopyOutcome::Exists:
                    // Maybe another run was faster, or the file system ignores
                    // letter case and holds the name in another case.
                    break;
            }
            // Keeping both, only the bytes tell; skipping, the same size and
            // time already say it is this photo's copy, and a different
            // photo is reported, though it stays where it is either way.
            // Renamed, all photos of a day share one name, which then says
            // nothing: a burst of raw files has one size and one second.
            const platform::FileComparison same = Compare(
                record, day, candidate, target, number == 1, !keepBoth && !m_options.RenameFiles);
            if (keepBoth && same.Result == platform::Likeness::Different) {
                continue;
            }
            // A source this run has moved already (a file that two
            // patterns select) reads as existing, as it does without
            // keeping both.
            if (keepBoth && same.Result == platform::Likeness::Unknown &&
                platform::FileEntryExists(record.Dateiname)) {
                Fail(record, target, "cannot tell whether it holds the same: " + same.Reason);
                return std::nullopt;
            }
            m_messages.Add(FormatText(LoadStr(kStrFileExists), {target}));
            if (!keepBoth && same.Result == platform::Likeness::Different) {
                Report("not copied " + record.Dateiname +
                           ": a different file has its name in the target",
                       true, SortProblem::Kind::NameTakenByOther);
            } else if (!keepBoth && same.Result == platform::Likeness::Unknown &&
                       platform::FileEntryExists(record.Dateiname)) {
                Report("not copied " + record.Dateiname + ": cannot tell whether " + target +
                       " holds the same: " + same.Reason);
            }
            return std::nullopt;
        }
        Fail(record, target, "every numbered name up to this one is taken");
        return std::nullopt;
    }

    platform::CopyResult Copy(const Suchrecord& record, const std::string& name,
                              const std::string& target, DayFolder* day) {
        if (m_options.DryRun) {
            if (day == nullptr) {
                return platform::CopyResult{};
            }
            // What stands under a name that the run would first remove does not count.
            return platform::PreviewCopy(
                record.Dateiname, target,
                !day->Planned && !day->Leftovers.contains(platform::FolderNameKey(name)));
        }
        platform::CopyResult failed;
        if (day == nullptr) {
            return failed;
        }
        // The copy goes through the day folder's handle, so it lands on the
        // drive the run began with or fails; looking at the target's path
        // now and then is enough to stop soon after the drive went away.
        if (!TargetStillThere(kLookAgainAfter)) {
            failed.Reason = m_stopReason;
            return failed;
        }
        platform::CopyChecks checks;
        checks.FlushToDisk = m_options.DeleteSources;
        checks.Verify = m_options.VerifyCopies;
        if (record.Inode != 0) {
            checks.ExpectedSource = platform::FileKey{record.Device, record.Inode};
        }
        checks.Abandon = m_stop != nullptr ? &m_stop->Now : nullptr;
        platform::CopyResult copy;
        // Out of descriptors, the folders held open for later files make room.
        for (int attempt = 0; attempt < 2; ++attempt) {
            const platform::FolderHandle* folder = DayHandle(*day, failed.Reason);
            if (folder == nullptr) {
                return failed;
            }
            copy = platform::CopyFileNoReplace(record.Dateiname, *folder, name, checks);
            if (copy.Failure != platform::CopyFailure::TooManyOpenFiles) {
                break;
            }
            CloseDayHandles(day);
        }
        return copy;
    }

    // Whether the file under a taken name holds what the record's file
    // holds: sizes first, then (unless equal times may tell) the bytes. A
    // dry run reads no bytes, and a copy it only plans is its source.
    platform::FileComparison Compare(const Suchrecord& record, DayFolder* day,
                                     const std::string& name, const std::string& target,
                                     bool ownName, bool timesTell) const {
        std::string taken = target;
        std::optional<platform::FileFacts> facts;
        if (day != nullptr) {
            facts = TakenFacts(record, *day, name, ownName, taken);
        }
        const platform::FileFacts found{record.Size, record.LastWriteTime};
        if (facts && facts->Size == 0 && found.Size != 0 && day != nullptr && day->Handle) {
            facts = Settled(*day->Handle, name, *facts);
        }
        if (facts && facts->Size != found.Size) {
            return {platform::Likeness::Different, {}};
        }
        // A dry run reads no bytes: the sizes and times have to tell.
        if (facts && (m_options.DryRun || (timesTell && SameFacts(*facts, found)))) {
            return {
                SameFacts(*facts, found) ? platform::Likeness::Same : platform::Likeness::Different,
                {}};
        }
        return m_options.DryRun ? platform::PreviewCompare(record.Dateiname, taken)
                                : platform::CompareContents(record.Dateiname, taken);
    }

    // The size and time of what stands under a taken name: the record's own
    // name was looked up ahead, any other once per name. `taken` becomes the
    // source of a copy that a dry run only plans there.
    std::optional<platform::FileFacts> TakenFacts(const Suchrecord& record, DayFolder& day,
                                                  const std::string& name, bool ownName,
                                                  std::string& taken) const {
        if (ownName && day.TakenAhead && record.TakenInTarget) {
            return record.TakenInTarget;
        }
        const std::string key = platform::FolderNameKey(name);
        const auto planned = day.PlannedCopies.find(key);
        if (planned != day.PlannedCopies.end()) {
            taken = planned->second;
        }
        auto known = day.Facts.find(key);
        if (known == day.Facts.end()) {
            known = day.Facts
                        .emplace(key, planned == day.PlannedCopies.end() && day.Handle
                                          ? day.Handle->FactsOf(name)
                                          : platform::RegularFileFacts(taken))
                        .first;
        }
        return known->second;
    }

    // Where names match in any letter case (FAT, exFAT, network mounts),
    // another run names its copy by first claiming the name with an empty
    // file, which its finished copy replaces a moment later: an empty file
    // is looked at again for a while before it counts as a different one.
    static std::optional<platform::FileFacts> Settled(const platform::FolderHandle& folder,
                                                      const std::string& name,
                                                      platform::FileFacts facts) {
        constexpr int kLooks = 200;
        for (int look = 0; look < kLooks && facts.Size == 0; ++look) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            const std::optional<platform::FileFacts> now = folder.FactsOf(name);
            if (!now) {
                return now;
            }
            facts = *now;
        }
        return facts;
    }

    // Keeps the run's knowledge of the folder up to date with its own copy.
    void Taken(DayFolder* day, const std::string& name, const Suchrecord& record) const {
        if (day == nullptr) {
            return;
        }
        std::string key = platform::FolderNameKey(name);
        if (day->Listed) {
            day->Files.insert(key);
        }
        day->Facts.erase(key);
        if (m_options.DryRun) {
            day->PlannedCopies.emplace(std::move(key), record.Dateiname);
        }
    }

    void Fail(const Suchrecord& record, const std::string& target, const std::string& reason) {
        ++m_counts.Failed;
        m_messages.Add(FormatText(LoadStr(kStrCouldNotCopy), {record.Dateiname, target}));
        Report("cannot copy " + record.Dateiname + " to " + target + ": " + reason);
    }

    void KeptNotOnDisk(const Suchrecord& record, const std::string& target,
                       const std::string& reason) const {
        Report("kept " + record.Dateiname + ": its copy " + target +
               " is not known to be on the disk: " + reason);
    }

    void DeleteSource(const Suchrecord& record, const platform::FileIdentity& copied) {
        const platform::DeleteResult deleted =
            m_options.DryRun ? platform::PreviewDelete(record.Dateiname)
                             : platform::DeleteSourceIfUnchanged(record.Dateiname, copied);
        switch (deleted.Outcome) {
            case platform::DeleteOutcome::Deleted:
                m_messages.Add(FormatText(LoadStr(kStrFileDeleted), {record.Dateiname}));
                break;
            case platform::DeleteOutcome::ReadOnly:
                Report("kept " + record.Dateiname + ": it is write-protected", false);
                break;
            case platform::DeleteOutcome::Changed:
                Report("kept " + record.Dateiname +
                       ": it was replaced or changed while it was being copied");
                break;
            case platform::DeleteOutcome::Failed:
                Report("cannot delete " + record.Dateiname + ": " + deleted.Reason);
                break;
        }
    }

    // Whether the target's path still leads to the folder the run opened.
    // A desktop unmounts a drive that was pulled out lazily: the run's own
    // handles still reach the drive (or fail), but no source may go on the
    // strength of a copy that is now out of the user's reach, and the run
    // stops.
    bool TargetStillThere(std::chrono::milliseconds unlessLookedWithin = {}) {
        if (Stopped()) {
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
                "the target folder " + ForReading(m_root) + " is no longer the " +
                (place == platform::FolderHandle::Place::OtherDrive ? "drive" : "folder") +
                " it was: stopped";
        }
        return !Stopped();
    }

    static std::int64_t DayKey(DateTimeValue date) {
        const CalendarDate day = DecodeDate(date);
        return (static_cast<std::int64_t>(day.Year) * 13 + day.Month) * 32 + day.Day;
    }

    DayPath& DayPathOf(DateTimeValue date) {
        const std::int64_t key = DayKey(date);
        auto known = m_days.find(key);
        if (known == m_days.end()) {
            std::string name = RenderDate(date, m_naming);
            std::string path = m_root + name;
            known = m_days.emplace(key, DayPath{std::move(name), std::move(path)}).first;
        }
        return known->second;
    }

    // The day folder's handle, opened again through the target folder when
    // it was closed to make room; null with the reason when it cannot be.
    const platform::FolderHandle* DayHandle(DayFolder& day, std::string& reason) {
        if (day.Handle) {
            return &*day.Handle;
        }
        const std::string path = m_root + day.Name;
        std::optional<platform::FolderHandle> handle = OpenDay(day.Name, reason);
        if (!handle) {
            reason = "cannot open folder " + path + ": " + reason;
            return nullptr;
        }
        if (handle->Identity() != day.Identity) {
            m_stopReason = "the folder " + path + " is no longer the folder it was: stopped";
            reason = m_stopReason;
            return nullptr;
        }
        return &Hold(day, std::move(*handle));
    }

    // Opens a day folder below the target; out of descriptors, the folders
    // held for later files are closed and it is tried once more.
    std::optional<platform::FolderHandle> OpenDay(const std::string& name, std::string& reason,
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

    DayFolder* EnsureFolder(DayPath& dayPath) {
        const std::string& folder = dayPath.Path;
        std::optional<ListedDay> ahead = TakeAhead(dayPath);
        if (const auto known = m_folders.find(folder); known != m_folders.end()) {
            return &known->second;
        }
        if (!TargetStillThere()) {
            return nullptr;
        }
        if (!m_rootFolder) {
            m_folderFailure = "cannot create folder " + folder + ": " + m_rootFailure;
            return nullptr;
        }
        DayFolder day;
        day.Name = dayPath.Name;
        std::string reason;
        bool absent = false;
        std::optional<platform::FolderHandle> handle = OpenDay(day.Name, reason, &absent);
        bool created = false;
        if (!handle && absent) {
            const platform::FileStatus made = m_rootFolder->CreateChild(day.Name);
            created = made.Ok;
            // Another run may have made it meanwhile: then it is there.
            handle = OpenDay(day.Name, reason, &absent);
            if (!created && !handle) {
                // Not there and not to be made: every copy into it fails and
                // says so; the next file of this day tries again.
                m_folderFailure = "cannot create folder " + folder + ": " + made.Reason;
                return nullptr;
            }
        }
        if (!handle) {
            // A file of that name, or a folder we may not enter.
            m_folderFailure = "cannot open folder " + folder + ": " + reason;
            return nullptr;
        }
        if (created) {
            day.Listed = true;
            m_messages.Add(FormatText(LoadStr(kStrFolderCreated), {folder}));
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
                leftovers = ListDayFolder(platform::FolderListing::Read(
                                              *handle, platform::FolderListing::Order::AsStored),
                                          day);
            }
            if (leftovers) {
                for (const std::string& removed : platform::RemoveLeftoverCopies(*handle)) {
                    day.Files.erase(platform::FolderNameKey(removed));
                }
            }
        }
        DayFolder& kept = m_folders.emplace(folder, std::move(day)).first->second;
        kept.Identity = handle->Identity();
        Hold(kept, std::move(*handle));
        return &kept;
    }

    // A dry run's look at a day folder: from its path, changing nothing.
    DayFolder* EnsureForeseenFolder(DayPath& dayPath) {
        const std::string& folder = dayPath.Path;
        std::optional<ListedDay> ahead = TakeAhead(dayPath);
        if (const auto known = m_folders.find(folder); known != m_folders.end()) {
            return &known->second;
        }
        DayFolder day;
        day.Name = dayPath.Name;
        if (platform::FolderExists(folder)) {
            bool leftovers = false;
            if (ahead) {
                day = std::move(ahead->Day);
                leftovers = ahead->Leftovers;
            } else {
                leftovers = ListDayFolder(
                    platform::FolderListing::Read(folder, platform::FolderListing::Order::AsStored),
                    day);
            }
            if (leftovers) {
                for (const std::string& found : platform::FindLeftoverCopies(folder)) {
                    day.Files.erase(platform::FolderNameKey(found));
                    day.Leftovers.insert(platform::FolderNameKey(found));
                }
            }
        } else if (const platform::FileStatus created = platform::PreviewCreateFolder(folder)) {
            day.Listed = true;
            day.Planned = true;
            m_messages.Add(FormatText(LoadStr(kStrFolderCreated), {folder}));
        } else {
            m_folderFailure = "cannot create folder " + folder + ": " + created.Reason;
            return nullptr;
        }
        return &m_folders.emplace(folder, std::move(day)).first->second;
    }

    // Takes in a day folder's listing; true when a killed run may have left
    // its temporary files there. Reads nothing else, so several folders may
    // be listed at once.
    static bool ListDayFolder(const std::optional<platform::FolderListing>& listing,
                              DayFolder& day) {
        if (!listing) {
            return false;
        }
        day.Listed = true;
        day.Files.reserve(listing->Size());
        bool leftovers = false;
        for (std::size_t i = 0; i < listing->Size(); ++i) {
            leftovers = leftovers || platform::IsTemporaryName(listing->Name(i));
            if (listing->Resolve(i) == platform::FolderListing::Resolved::File) {
                day.Files.insert(platform::FolderNameKey(listing->Name(i)));
            }
        }
        return leftovers;
    }

    static bool TargetExists(const DayFolder* day, const std::string& name,
                             const std::string& target) {
        if (day != nullptr && name.find(platform::kPathSeparator) == std::string::npos) {
            const std::string key = platform::FolderNameKey(name);
            if (day->Listed) {
                return day->Files.contains(key);
            }
            if (day->PlannedCopies.contains(key)) {
                return true;
            }
        }
        return platform::FileEntryExists(target);
    }

    void Report(std::string text, bool failed = true,
                SortProblem::Kind kind = SortProblem::Kind::Other) const {
        if (m_problems) {
            m_problems(SortProblem{std::move(text), failed, kind});
        }
    }

    const SortOptions& m_options;
    MessageList& m_messages;
    SortCounts& m_counts;
    const ProblemCallback& m_problems;
    const StopRequest* const m_stop;
    const std::string m_root;
    const DateNamingSettings m_naming;
    // Tells this run's cached day names from an earlier run's.
    const std::uint64_t m_serial = NextRunSerial();
    std::optional<platform::FolderHandle> m_rootFolder;
    std::string m_rootFailure;  // why the target folder could not be opened
    std::string m_stopReason;
    static constexpr std::chrono::milliseconds kLookAgainAfter{100};
    std::chrono::steady_clock::time_point m_lookedAtTarget;
    std::unordered_map<std::int64_t, DayPath> m_days;
    std::vector<DayPath*> m_dayOfRecord;  // each found record's, in order
    std::unordered_map<std::string, DayFolder> m_folders;
    std::deque<DayFolder*> m_openDays;  // those holding a handle, longest held first
    const std::size_t m_mostOpenDays;
    std::unordered_map<std::string, ListedDay> m_listedAhead;
    std::string m_folderFailure;  // why the last day folder could not be made
};

}  // namespace

void CollectFoundFile(FoundFiles& found, const std::string& folderPath, const ScanEntry& entry,
                      DateSource dateFrom) {
    Suchrecord record;
    record.Dateiname.reserve(folderPath.size() + entry.Name.size());
    record.Dateiname = folderPath;
    record.Dateiname += entry.Name;
    record.Onlyname = entry.Name;
    record.Size = entry.Size;
    record.LastWriteTime = entry.LastWriteTime;
    record.Device = entry.Device;
    record.Inode = entry.Inode;
    std::optional<DateTimeValue> captured;
    // A pipe or device named like a photo is not opened.
    if (dateFrom == DateSource::CaptureDate &&
        (entry.Attributes & platform::kAttributeDevice) == 0) {
        CaptureDateReading reading = ReadCaptureDateOf(record.Dateiname);
        captured = reading.Date;
        record.DateFailure = std::move(reading.Failure);
    }
    record.Datum = captured ? *captured : LocalTimeStamp(entry);
    found.push_back(std::move(record));
}

std::vector<std::string> SplitMask(std::string_view text) {
    std::vector<std::string> patterns;
    if (text.empty()) {
        return patterns;
    }
    std::size_t start = 0;
    for (;;) {
        const std::size_t semicolon = text.find(';', start);
        if (semicolon == std::string_view::npos) {
            patterns.emplace_back(text.substr(start));
            return patterns;
        }
        patterns.emplace_back(text.substr(start, semicolon - start));
        start = semicolon + 1;
    }
}

std::string SortProgress::Text() const {
    return FormatText(Format, {Counts.Copied, Counts.Found});
}

void MessageList::Add(std::string line) {
    if (m_listener) {
        m_listener(line);
    }
    if (m_retain) {
        m_lines.push_back(std::move(line));
    }
}

SortCounts SortRun(const SortOptions& options, MessageList& messages,
                   const ProgressCallback& progress, const ProblemCallback& problems,
                   const StopRequest* stop) {
    SortCounts counts;
    const unsigned helpers = DefaultHelperThreads();
    FileSteps steps(options, messages, counts, problems, stop);
    const FoundFiles found =
        CollectFoundFiles(options, SplitMask(options.MaskText), problems, stop, helpers,
                          [&steps](Suchrecord& record) { steps.LookUpTaken(record); });
    counts.Found = static_cast<std::int64_t>(found.size());
    steps.ListDayFoldersAhead(found, helpers);
    std::int64_t done = 0;
    const std::string progressFormat = LoadStr(kStrFilesCopied);
    for (std::size_t index = 0; index < found.size(); ++index) {
        if (StopRequested(stop) || steps.Stopped()) {
            break;
        }
        ++done;
        // A failure inside one file's step skips the rest of that step only.
        try {
            steps.Run(found, index);
        } catch (const std::exception&) {
            continue;
        }
        if (progress) {
            progress(SortProgress{progressFormat, counts, done});
        }
    }
    return counts;
}

}  // namespace quenby
