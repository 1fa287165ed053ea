#include "sorting/sortrun.h"

#include <exception>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "base/stringtable.h"
#include "platform/files/fileops.h"
#include "platform/files/folderexists.h"
#include "platform/files/folderlisting.h"
#include "platform/files/namekey.h"
#include "platform/files/pathsep.h"
#include "sorting/datenaming.h"

namespace quenby {
namespace {

FoundFiles Collect(const SortOptions& options, const std::vector<std::string>& patterns) {
    FoundFiles found;
    if (patterns.empty()) {
        return found;
    }
    // One walk per source folder serves every pattern; the per-pattern lists
    // are joined in pattern order, which is the order of one walk per pattern.
    std::vector<FoundFiles> perPattern(patterns.size());
    for (const std::string& folder : options.SourceFolders) {
        ScanFolderTreeForPatterns(folder, patterns,
                                  [&perPattern](std::size_t index, const std::string& folderPath,
                                                const ScanEntry& entry) {
                                      CollectFoundFile(perPattern[index], folderPath, entry);
                                  });
        for (FoundFiles& list : perPattern) {
            if (found.empty()) {
                found = std::move(list);
            } else {
                found.insert(found.end(), std::make_move_iterator(list.begin()),
                             std::make_move_iterator(list.end()));
            }
            list = FoundFiles();
        }
    }
    return found;
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

    void Run(const Suchrecord& record) {
        const std::string folder = m_root + RenderDate(record.Datum, m_naming);
        DayFolder* day = EnsureFolder(folder);
        const std::string name =
            m_options.RenameFiles
                ? ComposeDateName(record.Datum, m_options.Prefix, m_options.Suffix, m_naming)
                : record.Onlyname;
        std::string target = folder;
        target.push_back(platform::kPathSeparator);
        target += name;

        if (TargetExists(day, name, target)) {
            m_messages.Add(FormatText(LoadStr(kStrFileExists), {target}));
        } else if (platform::CopyFileNoReplace(record.Dateiname, target, m_options.DeleteSources)) {
            ++m_counts.Copied;
            if (day != nullptr && day->Listed) {
                day->Files.insert(platform::FolderNameKey(name));
            }
            m_messages.Add(FormatText(LoadStr(kStrCopiedFile), {record.Dateiname, target}));
            if (m_options.DeleteSources && platform::DeleteFileUnlessReadOnly(record.Dateiname)) {
                m_messages.Add(FormatText(LoadStr(kStrFileDeleted), {record.Dateiname}));
            }
        } else {
            ++m_counts.Failed;
            m_messages.Add(FormatText(LoadStr(kStrCouldNotCopy), {record.Dateiname, target}));
        }
    }

private:
    // What the run knows of one day's folder. Each is read once, when the
    // run first needs it, and then kept up to date with the run's own
    // copies, so that asking whether a target exists costs no disk access.
    // The copy itself never replaces anything, so a file that another
    // program puts there meanwhile is still safe: its copy just fails.
    struct DayFolder {
        bool Listed = false;
        std::unordered_set<std::string> Files;  // names that count as existing files
    };

    DayFolder* EnsureFolder(const std::string& folder) {
        if (const auto known = m_folders.find(folder); known != m_folders.end()) {
            return &known->second;
        }
        DayFolder day;
        if (platform::FolderExists(folder)) {
            if (const auto listing = platform::FolderListing::Read(
                    folder, platform::FolderListing::Order::AsStored)) {
                day.Listed = true;
                day.Files.reserve(listing->Size());
                for (std::size_t i = 0; i < listing->Size(); ++i) {
                    if (listing->Resolve(i) == platform::FolderListing::Resolved::File) {
                        day.Files.insert(platform::FolderNameKey(listing->Name(i)));
                    }
                }
            }
        } else if (platform::CreateFolder(folder)) {
            day.Listed = true;
            m_messages.Add(FormatText(LoadStr(kStrFolderCreated), {folder}));
            // The new folder's own entry must be on disk before any source
            // that relies on it is deleted.
            if (m_options.DeleteSources) {
                platform::FlushFolder(m_root);
            }
        } else {
            // Not there and not to be made: every copy into it fails and
            // says so; the next file of this day tries again.
            return nullptr;
        }
        return &m_folders.emplace(folder, std::move(day)).first->second;
    }

    static bool TargetExists(const DayFolder* day, const std::string& name,
                             const std::string& target) {
        if (day != nullptr && day->Listed &&
            name.find(platform::kPathSeparator) == std::string::npos) {
            return day->Files.contains(platform::FolderNameKey(name));
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
    std::unordered_map<std::string, DayFolder> m_folders;
};

}  // namespace

void CollectFoundFile(FoundFiles& found, const std::string& folderPath, const ScanEntry& entry) {
    Suchrecord record;
    record.Dateiname.reserve(folderPath.size() + entry.Name.size());
    record.Dateiname = folderPath;
    record.Dateiname += entry.Name;
    record.Onlyname = entry.Name;
    record.Datum = LocalTimeStamp(entry);
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

void MessageList::Add(std::string line) {
    if (m_listener) {
        m_listener(line);
    }
    if (m_retain) {
        m_lines.push_back(std::move(line));
    }
}

SortCounts SortRun(const SortOptions& options, MessageList& messages,
                   const ProgressCallback& progress, const ProblemCallback& problems) {
    SortCounts counts;
    const FoundFiles found = Collect(options, SplitMask(options.MaskText));
    counts.Found = static_cast<std::int64_t>(found.size());

    FileSteps steps(options, messages, counts, problems);
    std::int64_t done = 0;
    const std::string progressFormat = LoadStr(kStrFilesCopied);
    for (const Suchrecord& record : found) {
        ++done;
        // A failure inside one file's step skips the rest of that step only.
        try {
            steps.Run(record);
        } catch (const std::exception&) {
            continue;
        }
        if (progress) {
            const std::string text = FormatText(progressFormat, {counts.Copied, counts.Found});
            progress(SortProgress{text, counts, done});
        }
    }
    return counts;
}

}  // namespace quenby
