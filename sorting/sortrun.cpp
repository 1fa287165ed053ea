#include "sorting/sortrun.h"

#include <cstdint>
#include <exception>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "base/parallel.h"
#include "base/stringtable.h"
#include "metadata/capturedate.h"
#include "platform/files/filecompare.h"
#include "platform/files/fileops.h"
#include "platform/files/folderexists.h"
#include "platform/files/folderlisting.h"
#include "platform/files/namekey.h"
#include "platform/files/pathsep.h"
#include "platform/files/preview.h"
#include "platform/files/temporaryname.h"
#include "sorting/collect.h"
#include "sorting/datenaming.h"

namespace quenby {
namespace {

bool StopRequested(const std::atomic<bool>* stop) {
    return stop != nullptr && stop->load();
}

// The name a copy takes beside a different file of its own name:
// "IMG_0001.JPG" becomes "IMG_0001-2.JPG"; a name without an extension, or
// a hidden one such as ".profile", gets the number at its end.
std::string NumberedName(const std::string& name, int number) {
    const std::size_t dot = name.rfind('.');
    const std::size_t cut = dot == std::string::npos || dot == 0 ? name.size() : dot;
    return name.substr(0, cut) + "-" + std::to_string(number) + name.substr(cut);
}

class FileSteps {
public:
    FileSteps(const SortOptions& options, MessageList& messages, SortCounts& counts,
              const ProblemCallback& problems)
        : m_options(options),
          m_messages(messages),
          m_counts(counts),
          m_problems(problems),
          m_root(platform::WithTrailingSeparator(options.TargetRoot)),
          m_naming(LayoutDateNaming(options.LayoutIndex, options.SeparatorChar,
                                    options.FallbackDatePattern.empty()
                                        ? RegionalDatePattern()
                                        : options.FallbackDatePattern)) {}

    // The step for found[index]; ListDayFoldersAhead(found) comes first.
    void Run(const FoundFiles& found, std::size_t index) {
        const Suchrecord& record = found[index];
        DayPath& day = *m_dayOfRecord[index];
        const std::string& folder = day.Path;
        const std::string name =
            m_options.RenameFiles
                ? ComposeDateName(record.Datum, m_options.Prefix, m_options.Suffix, m_naming)
                : record.Onlyname;
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
            day.Folder = EnsureFolder(folder);
        }

        const std::optional<platform::CopyResult> copy =
            CopyUnderFreeName(record, day.Folder, name, target);
        if (!copy) {
            return;
        }
        ++m_counts.Copied;
        m_messages.Add(FormatText(LoadStr(kStrCopiedFile), {record.Dateiname, target}));
        if (!m_options.DeleteSources) {
            return;
        }
        // The source goes only when every flush its copy depends on
        // succeeded: otherwise the copy may vanish with the next power cut.
        if (copy->Outcome == platform::CopyOutcome::CopiedNotFlushed) {
            KeptNotOnDisk(record, target, copy->Reason);
        } else if (day.Folder != nullptr && !day.Folder->FlushFailure.empty()) {
            KeptNotOnDisk(record, target, day.Folder->FlushFailure);
        } else {
            DeleteSource(record, copy->Source);
        }
    }

    // Works out each record's day folder once, and lists, before the first
    // step, every one the records need that is there already, several at
    // once: one after another, each at the first file of its day, they would
    // hold up a run whose copies exist. Each listing is taken up at that
    // first file, when the folder is still there; whatever is put there
    // meanwhile is still safe, as the copy never replaces a file.
    void ListDayFoldersAhead(const FoundFiles& found, unsigned helpers,
                             const std::atomic<bool>* stop) {
        std::vector<const std::string*> paths;
        std::unordered_set<std::string_view> seen;
        m_dayOfRecord.reserve(found.size());
        for (const Suchrecord& record : found) {
            const std::size_t known = m_days.size();
            DayPath& day = DayPathOf(record.Datum);
            m_dayOfRecord.push_back(&day);
            if (m_days.size() != known && seen.insert(day.Path).second) {
                paths.push_back(&day.Path);
            }
        }
        std::vector<std::optional<ListedDay>> listed(paths.size());
        RunInParallel(paths.size(), helpers, [&](std::size_t i) {
            if (StopRequested(stop) || !platform::FolderExists(*paths[i])) {
                return;
            }
            ListedDay ahead;
            ahead.Leftovers = ListDayFolder(*paths[i], ahead.Day);
            if (ahead.Day.Listed) {
                listed[i] = std::move(ahead);
            }
        });
        for (std::size_t i = 0; i < paths.size(); ++i) {
            if (listed[i]) {
                m_listedAhead.emplace(*paths[i], std::move(*listed[i]));
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
        // Sizes of taken names, each looked up once: with keep-both and
        // renaming, the photos of a day try every name of that day.
        std::unordered_map<std::string, std::optional<std::uint64_t>> Sizes;
    };

    // Copies the record under `name`, or, to keep both files, under the
    // first numbered name that is free or holds the same content. A step
    // that ends without a copy gets its line here. `target` ends as the
    // path that was copied to, or found taken.
    std::optional<platform::CopyResult> CopyUnderFreeName(const Suchrecord& record, DayFolder* day,
                                                          const std::string& name,
                                                          std::string& target) {
        constexpr int kMostNumbers = 99'999;
        const std::string folder = target.substr(0, target.size() - name.size());
        std::optional<std::optional<std::uint64_t>> sourceSize;
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
            if (m_options.OnNameClash == NameClash::KeepBoth) {
                if (!sourceSize) {
                    sourceSize = platform::RegularFileSize(record.Dateiname);
                }
                const platform::FileComparison same =
                    Compare(record, *sourceSize, day, candidate, target);
                if (same.Result == platform::Likeness::Different) {
                    continue;
                }
                // A source this run has moved already (a file that two
                // patterns select) reads as existing, as it does without
                // keeping both.
                if (same.Result == platform::Likeness::Unknown &&
                    platform::FileEntryExists(record.Dateiname)) {
                    Fail(record, target, "cannot tell whether it holds the same: " + same.Reason);
                    return std::nullopt;
                }
            }
            m_messages.Add(FormatText(LoadStr(kStrFileExists), {target}));
            return std::nullopt;
        }
        Fail(record, target, "every numbered name up to this one is taken");
        return std::nullopt;
    }

    platform::CopyResult Copy(const Suchrecord& record, const std::string& name,
                              const std::string& target, const DayFolder* day) {
        if (!m_options.DryRun) {
            return platform::CopyFileNoReplace(
                record.Dateiname, target,
                platform::CopyChecks{m_options.DeleteSources, m_options.VerifyCopies}, m_targets);
        }
        if (day == nullptr) {
            return platform::CopyResult{platform::CopyOutcome::Failed, {}, {}};
        }
        // What stands under a name that the run would first remove does not count.
        return platform::PreviewCopy(
            record.Dateiname, target,
            !day->Planned && !day->Leftovers.contains(platform::FolderNameKey(name)));
    }

    // Whether the file under a taken name holds what the record's file
    // holds: sizes first, then the bytes. A dry run reads no bytes, and a
    // copy it only plans is its source.
    platform::FileComparison Compare(const Suchrecord& record,
                                     const std::optional<std::uint64_t>& sourceSize, DayFolder* day,
                                     const std::string& name, const std::string& target) const {
        std::string taken = target;
        if (day != nullptr) {
            const std::string key = platform::FolderNameKey(name);
            if (const auto planned = day->PlannedCopies.find(key);
                planned != day->PlannedCopies.end()) {
                taken = planned->second;
            }
            auto size = day->Sizes.find(key);
            if (size == day->Sizes.end()) {
                size = day->Sizes.emplace(key, platform::RegularFileSize(taken)).first;
            }
            if (sourceSize && size->second && *sourceSize != *size->second) {
                return {platform::Likeness::Different, {}};
            }
        }
        return m_options.DryRun ? platform::PreviewCompare(record.Dateiname, taken)
                                : platform::CompareContents(record.Dateiname, taken);
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

    // The photos of one day lie scattered over a card: each day's folder
    // path is written once, and its folder looked up by path until it is
    // there (several days share one where the date pattern leaves out the day).
    struct DayPath {
        std::string Path;
        DayFolder* Folder = nullptr;
    };

    DayPath& DayPathOf(DateTimeValue date) {
        const CalendarDate day = DecodeDate(date);
        const std::int64_t key =
            (static_cast<std::int64_t>(day.Year) * 13 + day.Month) * 32 + day.Day;
        auto known = m_days.find(key);
        if (known == m_days.end()) {
            known = m_days.emplace(key, DayPath{m_root + RenderDate(date, m_naming)}).first;
        }
        return known->second;
    }

    DayFolder* EnsureFolder(const std::string& folder) {
        if (const auto known = m_folders.find(folder); known != m_folders.end()) {
            return &known->second;
        }
        DayFolder day;
        auto ahead = m_listedAhead.extract(folder);
        if (platform::FolderExists(folder)) {
            bool leftovers = false;
            if (ahead) {
                day = std::move(ahead.mapped().Day);
                leftovers = ahead.mapped().Leftovers;
            } else {
                leftovers = ListDayFolder(folder, day);
            }
            if (leftovers) {
                TidyLeftovers(folder, day, m_options.DryRun);
            }
        } else if (const platform::FileStatus created = m_options.DryRun
                                                            ? platform::PreviewCreateFolder(folder)
                                                            : platform::CreateFolder(folder)) {
            day.Listed = true;
            day.Planned = m_options.DryRun;
            m_messages.Add(FormatText(LoadStr(kStrFolderCreated), {folder}));
            // The new folder's own entry must be on disk before any source
            // that relies on it is deleted.
            if (m_options.DeleteSources && !m_options.DryRun) {
                if (const platform::FileStatus flushed = platform::FlushFolder(m_root); !flushed) {
                    day.FlushFailure = "flushing " + m_root + " failed: " + flushed.Reason;
                }
            }
        } else {
            // Not there and not to be made: every copy into it fails and
            // says so; the next file of this day tries again.
            m_folderFailure = "cannot create folder " + folder + ": " + created.Reason;
            return nullptr;
        }
        return &m_folders.emplace(folder, std::move(day)).first->second;
    }

    // Lists a day folder that was there before; true when a killed run may
    // have left its temporary files there. Reads nothing else, so several
    // folders may be listed at once.
    static bool ListDayFolder(const std::string& folder, DayFolder& day) {
        const auto listing =
            platform::FolderListing::Read(folder, platform::FolderListing::Order::AsStored);
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

    // A killed run's temporary files, and claims of names whose copies never
    // came, are removed (a dry run leaves them) and count as absent.
    static void TidyLeftovers(const std::string& folder, DayFolder& day, bool dryRun) {
        for (const std::string& removed : dryRun ? platform::FindLeftoverCopies(folder)
                                                 : platform::RemoveLeftoverCopies(folder)) {
            day.Files.erase(platform::FolderNameKey(removed));
            if (dryRun) {
                day.Leftovers.insert(platform::FolderNameKey(removed));
            }
        }
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

    void Report(std::string text, bool failed = true) const {
        if (m_problems) {
            m_problems(SortProblem{std::move(text), failed});
        }
    }

    const SortOptions& m_options;
    MessageList& m_messages;
    SortCounts& m_counts;
    const ProblemCallback& m_problems;
    const std::string m_root;
    const DateNamingSettings m_naming;
    std::unordered_map<std::int64_t, DayPath> m_days;
    std::vector<DayPath*> m_dayOfRecord;  // each found record's, in order
    std::unordered_map<std::string, DayFolder> m_folders;
    struct ListedDay {
        DayFolder Day;
        bool Leftovers = false;
    };
    std::unordered_map<std::string, ListedDay> m_listedAhead;
    std::string m_folderFailure;  // why the last day folder could not be made
    platform::CopyTargets m_targets;
};

}  // namespace

void CollectFoundFile(FoundFiles& found, const std::string& folderPath, const ScanEntry& entry,
                      DateSource dateFrom) {
    Suchrecord record;
    record.Dateiname.reserve(folderPath.size() + entry.Name.size());
    record.Dateiname = folderPath;
    record.Dateiname += entry.Name;
    record.Onlyname = entry.Name;
    std::optional<DateTimeValue> captured;
    // A pipe or device named like a photo is not opened.
    if (dateFrom == DateSource::CaptureDate &&
        (entry.Attributes & platform::kAttributeDevice) == 0) {
        captured = ReadCaptureDate(record.Dateiname);
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
                   const std::atomic<bool>* stopRequested) {
    SortCounts counts;
    const unsigned helpers = DefaultHelperThreads();
    const FoundFiles found =
        CollectFoundFiles(options, SplitMask(options.MaskText), problems, stopRequested, helpers);
    counts.Found = static_cast<std::int64_t>(found.size());

    FileSteps steps(options, messages, counts, problems);
    steps.ListDayFoldersAhead(found, helpers, stopRequested);
    std::int64_t done = 0;
    const std::string progressFormat = LoadStr(kStrFilesCopied);
    for (std::size_t index = 0; index < found.size(); ++index) {
        if (StopRequested(stopRequested)) {
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
