#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/datetime.h"
#include "sorting/dirscan.h"

namespace quenby {

// Where a file's date, and so its day folder, comes from.
enum class DateSource : std::uint8_t {
    LastWriteTime,  // the file system's last-write time
    // The moment stored in the photo or video itself; a file without one
    // keeps its last-write time.
    CaptureDate,
};

// What a run does when a copy's name is taken by a file.
enum class NameClash : std::uint8_t {
    Skip,  // "File %s exists"; the file is left alone
    // A file of other content keeps its name and the copy takes the first
    // free "NAME-2.EXT", "NAME-3.EXT", ... in the same folder; where one of
    // them holds the same content, the file exists.
    KeepBoth,
};

// The inputs of one run, as the main window or the command line gives them.
// The window sets the careful and only-new choices from its options dialog.
struct SortOptions {
    std::vector<std::string> SourceFolders;
    std::string MaskText = "*.jpg;*.avi";
    std::string TargetRoot;
    int LayoutIndex = 0;
    int SeparatorIndex = -1;  // -1: none chosen; the run needs one
    char32_t SeparatorChar = U'-';
    // The date pattern for a LayoutIndex that names none of the layouts (only
    // a damaged settings file gives one): the pattern in force where the
    // options were read. Empty: the user's regional pattern.
    std::string FallbackDatePattern;
    std::string Prefix;
    std::string Suffix;
    bool RenameFiles = false;
    bool DeleteSources = false;
    DateSource DateFrom = DateSource::LastWriteTime;
    // Only tells what the run would do, in the same lines: nothing is made,
    // copied, deleted or tidied, and no file is opened, except to read the
    // capture date when the run is to use it.
    bool DryRun = false;
    // Each copy is flushed and read back from the disk and must equal its
    // source before it takes its name, and so before its source may go.
    bool VerifyCopies = false;
    NameClash OnNameClash = NameClash::Skip;
    // Only files that the memory of imported photos does not hold for this
    // target are copied; each copy is remembered once it is durable.
    bool OnlyNew = false;
    // That memory's file; empty: the one both programs share.
    std::string ImportMemoryFile;
};

// One file found by the scan.
struct Suchrecord {
    std::string Dateiname;      // folder path with its final separator, then the name
    std::string Onlyname;       // the name alone
    DateTimeValue Datum = 0.0;  // local last-write time, or the capture date when asked for
    // As the scan found the file: the copy must read this very file, and
    // these tell its copy from another photo of its name.
    std::uint64_t Size = 0;
    std::uint64_t LastWriteTime = 0;  // 100-nanosecond intervals since 1601 UTC
    std::uint64_t Device = 0;         // 0 where the scan cannot tell
    std::uint64_t Inode = 0;
    // Why the capture date that was asked for could not be read (a failing
    // card): the file then went by its last-write time, which the user did
    // not ask for, so its source is never deleted.
    std::string DateFailure;
    // The file that stood under its copy's name in the target when it was
    // found, looked up while the others were still being found; empty when
    // none did or it was not looked up.
    std::optional<platform::FileFacts> TakenInTarget;
    // With OnlyNew, looked up in the memory of imported photos while the
    // files were found: null when it was not, empty when the memory does not
    // hold the file, else the copy's path below the target.
    std::shared_ptr<const std::string> ImportedCopy;
};

// The files a run has found, in collection order. The same file may stand
// in it more than once (two patterns, or two listed folders).
using FoundFiles = std::vector<Suchrecord>;

// Appends the entry's record. Only with CaptureDate is the file itself
// opened, so a run by last-write time reads nothing but the folders.
void CollectFoundFile(FoundFiles& found, const std::string& folderPath, const ScanEntry& entry,
                      DateSource dateFrom = DateSource::LastWriteTime);

// The patterns of a mask: cut at every ";", pieces verbatim (blanks kept, an
// empty piece is a pattern that matches nothing); an empty mask has none.
std::vector<std::string> SplitMask(std::string_view text);

// The message lines of one run, in order. Whoever shows them may listen as
// lines arrive; the run itself only appends.
class MessageList {
public:
    using Listener = std::function<void(const std::string& line)>;

    void Add(std::string line);
    const std::vector<std::string>& Lines() const { return m_lines; }
    std::size_t Count() const { return m_lines.size(); }
    void Clear() { m_lines.clear(); }
    // A listener that cannot take a line may throw: the run's step for that
    // file then ends at once, so nothing further (such as deleting the
    // source) happens without its line.
    void SetListener(Listener listener) { m_listener = std::move(listener); }
    // A listener that writes each line away may not need them kept: a run
    // over a million files would otherwise hold every line until its end.
    void SetRetainLines(bool retain) { m_retain = retain; }

private:
    std::vector<std::string> m_lines;
    Listener m_listener;
    bool m_retain = true;
};

struct SortCounts {
    std::int64_t Copied = 0;
    std::int64_t Found = 0;
    // Records reported with "could not copied"; lets scripts tell a clean run.
    std::int64_t Failed = 0;
    std::int64_t Deleted = 0;  // sources deleted after their copies
};

struct SortProgress {
    const std::string& Format;  // CountsFormat
    SortCounts Counts;
    std::int64_t RecordsDone = 0;

    // The format filled in; written only when asked for, as most steps'
    // progress is never shown.
    std::string Text() const;
};

// "%d of %d files copied", or "... would be copied" for a dry run: the
// format of the progress and of the last line that both programs show.
std::string CountsFormat(bool dryRun);

// Called after each file step that ran to its end.
using ProgressCallback = std::function<void(const SortProgress& progress)>;

// Why a step did not do what was asked, for a person to read, with the
// system's reason ("cannot copy A to B: No space left on device"). The run's
// message lines stay exactly as they are; the command line writes these to
// its error stream.
struct SortProblem {
    enum class Kind : std::uint8_t {
        Other,
        // A file not copied because a different one holds its name in the
        // target: a front end may say how to keep both. Its text ends with
        // kNameTakenReason.
        NameTakenByOther,
    };
    static constexpr std::string_view kNameTakenReason =
        "a different file has its name in the target";

    std::string Text;
    // False for a note that does not make the run fail, such as a
    // write-protected source that is kept on purpose.
    bool Failed = true;
    Kind What = Kind::Other;
};
using ProblemCallback = std::function<void(const SortProblem& problem)>;

// How a caller ends a run early. Either may be set from another thread or
// a signal handler.
struct StopRequest {
    // The run ends before its next file step (or folder, while it collects);
    // every step it made has its lines.
    std::atomic<bool> AfterThisFile{false};
    // Also a copy under way is given up at once: it never stands under its
    // name, and its source stays.
    std::atomic<bool> Now{false};

    bool Requested() const { return AfterThisFile.load() || Now.load(); }
};

// Collects every file below the source folders that matches a pattern of the
// mask, then copies each into root/<date>/, creating the date folder when
// missing, optionally under prefix + date + suffix, optionally deleting the
// source once its copy is safely on disk. An existing target is never
// touched. Every step is a line in `messages`; a folder of a source tree
// that cannot be read is a failed problem. Needs a chosen separator
// (SeparatorIndex >= 0). The dates are written with the naming the options
// give; the process-wide one is neither read nor changed, so a run may work
// on any thread. The run works through the target folder it opened when it
// began: when the target's path leads elsewhere (a drive unmounted while
// the run goes on), it stops with a failed problem and deletes nothing more.
// With OnlyNew it throws ImportMemoryError, before it touches anything, when
// the memory of imported photos cannot be used.
SortCounts SortRun(const SortOptions& options, MessageList& messages,
                   const ProgressCallback& progress, const ProblemCallback& problems = {},
                   const StopRequest* stop = nullptr);

}  // namespace quenby
