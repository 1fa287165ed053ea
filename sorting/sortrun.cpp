#include "sorting/sortrun.h"

#include <chrono>
#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "base/parallel.h"
#include "base/stringtable.h"
#include "metadata/capturedate.h"
#include "platform/files/namekey.h"
#include "platform/files/pathsep.h"
#include "platform/files/preview.h"
#include "sorting/collect.h"
#include "sorting/datenaming.h"
#include "sorting/runeffects.h"
#include "sorting/runimports.h"

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

constexpr std::string_view kImportedBefore = "File %s was imported before";

// FAT keeps last-write times in steps of two seconds: a copy there carries
// its source's time only that closely.
constexpr std::uint64_t kFatTimeStep = 2 * 10'000'000;

bool SameFacts(const platform::FileFacts& a, const platform::FileFacts& b) {
    const std::uint64_t apart = a.LastWriteTime > b.LastWriteTime
                                    ? a.LastWriteTime - b.LastWriteTime
                                    : b.LastWriteTime - a.LastWriteTime;
    return a.Size == b.Size && apart < kFatTimeStep;
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
          m_effects(options.DryRun ? MakeForetoldEffects(options)
                                   : MakeRealEffects(options, stop, m_naming)) {
        if (options.OnlyNew) {
            m_imports.emplace(options);
        }
    }

    // Runs on the threads that read the files' details.
    // What was imported before needs no look in the target.
    void LookUpTaken(Suchrecord& record) const {
        if (m_imports) {
            m_imports->LookUp(record);
            if (record.ImportedCopy && !record.ImportedCopy->empty()) {
                return;
            }
        }
        m_effects->LookUpTaken(record);
    }

    // True once the run must end: the target is no longer where it was.
    bool Stopped() const { return !m_effects->StopReason().empty(); }

    // The step for found[index]; ListDayFoldersAhead(found) comes first.
    void Run(const FoundFiles& found, std::size_t index) {
        const Suchrecord& record = found[index];
        DayPath& day = *m_dayOfRecord[index];
        const std::string& folder = day.Path;
        const std::string name = CopyName(record, m_options, m_naming);
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
        if (m_imports) {
            if (const std::optional<std::string> copy = m_imports->ImportedBefore(record)) {
                m_messages.Add(FormatText(kImportedBefore, {record.Dateiname}));
                if (m_options.DeleteSources && record.DateFailure.empty()) {
                    DeleteImported(record, *copy);
                }
                return;
            }
        }
        if (day.Folder == nullptr) {
            bool created = false;
            day.Folder =
                m_effects->Day(day.Name, day.Path, TakeAhead(day), created, m_folderFailure);
            if (created) {
                m_messages.Add(FormatText(LoadStr(kStrFolderCreated), {folder}));
            }
        }
        if (Stopped()) {
            Fail(record, target, m_effects->StopReason());
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
        // Only a copy that is whole and will be on the disk is remembered.
        const bool remembered = m_imports && copy->Outcome == platform::CopyOutcome::Copied &&
                                (day.Folder == nullptr || day.Folder->FlushFailure.empty());
        if (remembered) {
            m_imports->Remember(record, target.substr(m_root.size()));
        }
        if (!m_options.DeleteSources || !record.DateFailure.empty()) {
            if (remembered) {
                WriteImports(false);
            }
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
        } else if (!m_effects->TargetStillThere(std::chrono::milliseconds{})) {
            Report("kept " + record.Dateiname + ": " + m_effects->StopReason());
        } else if (m_imports && !WriteImports(true, &record)) {
            // Its source goes only once the memory holds it.
        } else {
            DeleteSource(record, copy->Source);
        }
    }

    // Writes what the memory of imported photos still has queued.
    void Finish() {
        if (m_imports) {
            WriteImports(true);
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
            // A day of photos imported before only needs no listing.
            const bool imported = record.ImportedCopy && !record.ImportedCopy->empty();
            if ((m_days.size() != known || m_imports) && !imported &&
                seen.insert(day.Path).second) {
                days.push_back(&day);
            }
        }
        if (!m_effects->CanList()) {
            return;
        }
        std::vector<std::optional<ListedDay>> listed(days.size());
        RunInParallel(days.size(), helpers, [&](std::size_t i) {
            if (!StopRequested(m_stop)) {
                listed[i] = m_effects->ListAhead(days[i]->Name, days[i]->Path);
            }
        });
        for (std::size_t i = 0; i < days.size(); ++i) {
            if (listed[i]) {
                m_listedAhead.emplace(days[i]->Path, std::move(*listed[i]));
            }
        }
    }

private:
    // The photos of one day lie scattered over a card: each day's folder
    // path is written once, and its folder looked up by path until it is
    // there (several days share one where the date pattern leaves out the day).
    struct DayPath {
        std::string Name;
        std::string Path;
        DayFolder* Folder = nullptr;
    };

    // The day's listing made ahead, when it was.
    std::optional<ListedDay> TakeAhead(const DayPath& day) {
        auto ahead = m_listedAhead.extract(day.Path);
        if (!ahead) {
            return std::nullopt;
        }
        return std::move(ahead.mapped());
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
                copy = day != nullptr ? m_effects->Copy(record, *day, candidate, target)
                                      : platform::CopyResult{};
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
            // A library sorted before the memory existed is learnt this way.
            if (m_imports && same.Result == platform::Likeness::Same) {
                m_imports->Remember(record, target.substr(m_root.size()));
            }
            if (!keepBoth && same.Result == platform::Likeness::Different) {
                Report("not copied " + record.Dateiname + ": " +
                           std::string(SortProblem::kNameTakenReason),
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

    // Whether the file under a taken name holds what the record's file
    // holds: sizes first, then (unless equal times may tell) the bytes,
    // where the effects may read them.
    platform::FileComparison Compare(const Suchrecord& record, DayFolder* day,
                                     const std::string& name, const std::string& target,
                                     bool ownName, bool timesTell) const {
        std::string taken = target;
        std::optional<platform::FileFacts> facts;
        const platform::FileFacts found{record.Size, record.LastWriteTime};
        if (day != nullptr) {
            facts = TakenFacts(record, *day, name, ownName, taken);
            if (facts && facts->Size == 0 && found.Size != 0) {
                facts = m_effects->Settled(*day, name, *facts);
            }
        }
        if (facts && facts->Size != found.Size) {
            return {platform::Likeness::Different, {}};
        }
        if (facts && (!m_effects->ReadsBytes() || (timesTell && SameFacts(*facts, found)))) {
            return {
                SameFacts(*facts, found) ? platform::Likeness::Same : platform::Likeness::Different,
                {}};
        }
        return m_effects->CompareBytes(record.Dateiname, taken);
    }

    // The size and time of what stands under a taken name: the record's own
    // name was looked up while the files were found, any other once per
    // name here. `taken` becomes what stands for that file.
    std::optional<platform::FileFacts> TakenFacts(const Suchrecord& record, DayFolder& day,
                                                  const std::string& name, bool ownName,
                                                  std::string& taken) const {
        if (ownName && day.TakenAhead && record.TakenInTarget) {
            return record.TakenInTarget;
        }
        const std::string key = platform::FolderNameKey(name);
        m_effects->TakenFile(day, key, taken);
        auto known = day.Facts.find(key);
        if (known == day.Facts.end()) {
            known = day.Facts.emplace(key, m_effects->TakenFacts(day, name, taken)).first;
        }
        return known->second;
    }

    // Keeps the run's knowledge of the folder up to date with its own copy.
    void Taken(DayFolder* day, const std::string& name, const Suchrecord& record) const {
        if (day == nullptr) {
            return;
        }
        const std::string key = platform::FolderNameKey(name);
        if (day->Listed) {
            day->Files.insert(key);
        }
        day->Facts.erase(key);
        m_effects->Copied(*day, key, record);
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

    // Writes the memory's queue (when full, unless `always`). When it cannot
    // be written, says so: as the reason `kept` stays, or once for the run.
    bool WriteImports(bool always, const Suchrecord* kept = nullptr) {
        std::string failure;
        if (m_imports->Write(*m_effects, always, failure)) {
            return true;
        }
        const std::string why = "cannot remember it in " + m_imports->Path() + ": " + failure;
        if (kept != nullptr) {
            Report("kept " + kept->Dateiname + ": " + why);
        } else if (!m_importsFailed) {
            Report("the photos copied are not all remembered as imported: " + failure);
        }
        m_importsFailed = true;
        return false;
    }

    // A file imported before leaves the card only while the copy that the
    // memory names is still in the target, as large as the file: memory
    // alone is no reason to delete a photo.
    void DeleteImported(const Suchrecord& record, const std::string& copy) {
        const std::string path = m_root + copy;
        const std::optional<platform::FileFacts> facts = platform::RegularFileFacts(path);
        if (!facts || facts->Size != record.Size) {
            Report("kept " + record.Dateiname + ": its copy " + path +
                       " from an earlier import is no longer in the target",
                   false);
            return;
        }
        if (!m_effects->TargetStillThere(std::chrono::milliseconds{})) {
            Report("kept " + record.Dateiname + ": " + m_effects->StopReason());
            return;
        }
        const std::optional<platform::FileIdentity> now =
            platform::IdentityOfFile(record.Dateiname);
        if (!now || static_cast<std::uint64_t>(now->Size) != record.Size ||
            (record.Inode != 0 && (now->Inode != record.Inode || now->Device != record.Device))) {
            Report("kept " + record.Dateiname + ": it was replaced or changed since it was found");
            return;
        }
        DeleteSource(record, *now);
    }

    void DeleteSource(const Suchrecord& record, const platform::FileIdentity& copied) {
        const platform::DeleteResult deleted = m_effects->Delete(record, copied);
        switch (deleted.Outcome) {
            case platform::DeleteOutcome::Deleted:
                ++m_counts.Deleted;
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

    DayPath& DayPathOf(DateTimeValue date) {
        const std::int64_t key = CalendarDayKey(date);
        auto known = m_days.find(key);
        if (known == m_days.end()) {
            std::string name = RenderDate(date, m_naming);
            std::string path = m_root + name;
            known = m_days.emplace(key, DayPath{std::move(name), std::move(path)}).first;
        }
        return known->second;
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
    const std::unique_ptr<RunEffects> m_effects;
    std::optional<RunImports> m_imports;
    bool m_importsFailed = false;
    std::unordered_map<std::int64_t, DayPath> m_days;
    std::vector<DayPath*> m_dayOfRecord;  // each found record's, in order
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

std::string CountsFormat(bool dryRun) {
    return dryRun ? "%d of %d files would be copied" : LoadStr(kStrFilesCopied);
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
    const std::string progressFormat = CountsFormat(options.DryRun);
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
    steps.Finish();
    return counts;
}

}  // namespace quenby
