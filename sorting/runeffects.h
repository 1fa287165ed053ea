#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "platform/files/filecompare.h"
#include "platform/files/fileops.h"
#include "platform/files/folderhandle.h"
#include "platform/files/folderlisting.h"
#include "sorting/datenaming.h"
#include "sorting/sortrun.h"

// The sort run's own: what its steps do to the target and the sources, the
// real effects or those a dry run only foretells, chosen once per run. The
// steps themselves choose nothing, so an option added to the run adds no
// branch between the two.
namespace quenby {

// What a run knows of one day's folder. Each is read once, before the first
// step or when the run first needs it, and then kept up to date with the
// run's own copies, so that asking whether a target exists costs no disk
// access. The copy itself never replaces anything, so a file that another
// program puts there meanwhile is still safe: the copy reads "exists".
struct DayFolder {
    std::string Name;  // below the target folder
    std::string Path;
    bool Listed = false;
    std::unordered_set<std::string> Files;  // names that count as existing files
    // Sizes and times of taken names, each looked up once: with keep-both
    // and renaming, the photos of a day try every name of that day. The
    // records' own names were looked up while the files were found, which
    // holds while the folder is the one listed ahead and no leftover was
    // removed from it since.
    std::unordered_map<std::string, std::optional<platform::FileFacts>> Facts;
    bool TakenAhead = false;
    // Why the folder's own entry is not known to be on the disk.
    std::string FlushFailure;

    // The real effects': held open while room allows, opened again through
    // the target folder when needed, and then it must be the same folder.
    std::optional<platform::FolderHandle> Handle;
    platform::FolderIdentity Identity;

    // A dry run's: the folder is not there yet, and the copies that the run
    // would put into it (or into the folder that is there), by name, with
    // their sources; and what a killed run left, which the run would remove.
    bool Planned = false;
    std::unordered_map<std::string, std::string> PlannedCopies;
    std::unordered_set<std::string> Leftovers;
};

// A day folder as listed ahead of its first step.
struct ListedDay {
    DayFolder Day;
    platform::FolderIdentity Identity;
    bool Leftovers = false;
};

// Takes in a day folder's listing; true when a killed run may have left its
// temporary files there. Reads nothing else, so several folders may be
// listed at once.
bool TakeListing(const std::optional<platform::FolderListing>& listing, DayFolder& day);

// One number per calendar day of a date.
std::int64_t CalendarDayKey(DateTimeValue date);

// The name a record's copy takes: its own, or prefix + date + suffix.
std::string CopyName(const Suchrecord& record, const SortOptions& options,
                     const DateNamingSettings& naming);

class RunEffects {
public:
    RunEffects() = default;
    RunEffects(const RunEffects&) = delete;
    RunEffects& operator=(const RunEffects&) = delete;
    virtual ~RunEffects() = default;

    // Why the run must end now (the target is no longer where it was);
    // empty while it may go on.
    const std::string& StopReason() const { return m_stopReason; }

    // Looks up, while the files are still being found, what stands under a
    // record's name in its day folder; runs on any thread.
    virtual void LookUpTaken(Suchrecord& record) const = 0;
    // Whether day folders can be listed at all (not without a target folder).
    virtual bool CanList() const = 0;
    // Lists a day folder ahead of the steps, on any thread; empty when it
    // is not there.
    virtual std::optional<ListedDay> ListAhead(const std::string& name,
                                               const std::string& path) const = 0;

    // The day folder at its first step, by path from then on: opened (with
    // the listing made ahead while it is the same folder) or made, then
    // `created` is set. Null, with the reason, when it is neither there nor
    // to be made; the next file of that day tries again.
    DayFolder* Day(const std::string& name, const std::string& path, std::optional<ListedDay> ahead,
                   bool& created, std::string& failure);

    // Copies the record's file into the day folder under `name`.
    virtual platform::CopyResult Copy(const Suchrecord& record, DayFolder& day,
                                      const std::string& name, const std::string& target) = 0;
    // The run's knowledge kept up to date with its own copy.
    virtual void Copied(DayFolder& day, const std::string& key, const Suchrecord& record) = 0;
    // What stands for the file under a taken name, the `taken` path given:
    // the file itself, or in a dry run the source of a copy that the run
    // only plans there.
    virtual void TakenFile(const DayFolder& day, const std::string& key,
                           std::string& taken) const = 0;
    // Its size and time, asked once per name.
    virtual std::optional<platform::FileFacts> TakenFacts(const DayFolder& day,
                                                          const std::string& name,
                                                          const std::string& taken) const = 0;
    // An empty file under a taken name, looked at again where it may be
    // another run's claim that its copy replaces a moment later.
    virtual std::optional<platform::FileFacts> Settled(const DayFolder& day,
                                                       const std::string& name,
                                                       platform::FileFacts facts) const = 0;
    // Whether the bytes may be read to tell two files apart; a dry run reads
    // none, and the sizes and times have to tell.
    virtual bool ReadsBytes() const = 0;
    virtual platform::FileComparison CompareBytes(const std::string& source,
                                                  const std::string& taken) const = 0;
    virtual platform::DeleteResult Delete(const Suchrecord& record,
                                          const platform::FileIdentity& copied) = 0;
    // Makes the copies made so far durable, where each was not flushed as
    // it was made; a dry run has none.
    virtual platform::FileStatus MakeCopiesDurable() = 0;
    // Whether the target's path still leads to the folder the run began
    // with; when not, StopReason says so. Looks again only when it last
    // looked longer ago than `unlessLookedWithin`.
    virtual bool TargetStillThere(std::chrono::milliseconds unlessLookedWithin) = 0;

protected:
    virtual std::optional<DayFolder> OpenDay(const std::string& name, const std::string& path,
                                             std::optional<ListedDay> ahead, bool& created,
                                             std::string& failure) = 0;
    // The day folder as it stays for the run, for effects that hold on to it.
    virtual void Keep(DayFolder& day) = 0;

    std::string m_stopReason;

private:
    std::unordered_map<std::string, DayFolder> m_folders;
};

// The effects that change the file system, through the target folder
// opened now.
std::unique_ptr<RunEffects> MakeRealEffects(const SortOptions& options, const StopRequest* stop,
                                            const DateNamingSettings& naming);
// The effects a dry run tells without changing anything or opening a file.
std::unique_ptr<RunEffects> MakeForetoldEffects(const SortOptions& options);

}  // namespace quenby
