#include "sorting/collect.h"

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

#include "platform/files/mounts.h"
#include "platform/files/pathsep.h"
#include "sorting/dirscan.h"
#include "sorting/openbudget.h"

namespace quenby {
namespace {

// Part of a listed folder's matching files, which still want their details.
struct FolderWork {
    FolderWork(std::string path, std::shared_ptr<const platform::FolderListing> listing,
               std::vector<FolderMatch> matches)
        : Path(std::move(path)), Listing(std::move(listing)), Matches(std::move(matches)) {}

    std::string Path;
    // Shared by the folder's parts; closed once the last has its details.
    std::shared_ptr<const platform::FolderListing> Listing;
    std::vector<FolderMatch> Matches;
    std::vector<FoundFiles> Found;  // per pattern
    std::exception_ptr Failure;
    bool Done = false;
};

// A phone keeps thousands of photos in one folder: the files are read in
// parts of this many, so that the helpers share a big folder too.
constexpr std::size_t kFilesPerPart = 256;

// Reads the details of listed folders on helper threads, the caller's
// thread helping whenever it would otherwise wait, and hands the folders'
// records on in the order the folders were listed.
class DetailQueue {
public:
    DetailQueue(DateSource dateFrom, std::vector<FoundFiles>& perPattern, unsigned helpers,
                const StopRequest* stop, const FoundHook& onFound)
        : m_dateFrom(dateFrom),
          m_stop(stop),
          m_onFound(onFound),
          m_perPattern(perPattern),
          // Without helpers each folder is read at once, as it is listed.
          // Each waiting part may hold its folder's descriptor open.
          m_mostWaiting(helpers == 0 ? 1 : OpenFolderBudget()) {
        m_helpers.reserve(helpers);
        for (unsigned i = 0; i < helpers; ++i) {
            m_helpers.emplace_back([this] { Help(); });
        }
    }

    DetailQueue(const DetailQueue&) = delete;
    DetailQueue& operator=(const DetailQueue&) = delete;

    ~DetailQueue() {
        {
            const std::lock_guard lock(m_mutex);
            m_closing = true;
        }
        m_changed.notify_all();
        for (std::thread& helper : m_helpers) {
            helper.join();
        }
    }

    void Add(std::unique_ptr<FolderWork> work) {
        std::unique_lock lock(m_mutex);
        m_waiting.push_back(std::move(work));
        m_changed.notify_all();
        HandOnReady(lock);
        while (m_waiting.size() >= m_mostWaiting) {
            WorkOrWait(lock);
        }
    }

    // Returns once every folder added is handed on.
    void Finish() {
        std::unique_lock lock(m_mutex);
        while (!m_waiting.empty()) {
            WorkOrWait(lock);
        }
    }

private:
    void Help() {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_changed.wait(lock, [this] { return m_closing || m_claimed < m_waiting.size(); });
            if (m_closing) {
                return;
            }
            DetailNext(lock);
        }
    }

    void WorkOrWait(std::unique_lock<std::mutex>& lock) {
        if (!DetailNext(lock)) {
            m_changed.wait(lock, [this] { return m_waiting.front()->Done; });
        }
        HandOnReady(lock);
    }

    // Reads the oldest folder nobody has taken yet; false when there is none.
    bool DetailNext(std::unique_lock<std::mutex>& lock) {
        if (m_claimed == m_waiting.size()) {
            return false;
        }
        FolderWork& work = *m_waiting[m_claimed++];
        lock.unlock();
        Detail(work);
        lock.lock();
        work.Done = true;
        m_changed.notify_all();
        return true;
    }

    void Detail(FolderWork& work) const {
        try {
            work.Found.resize(m_perPattern.size());
            ScanEntry entry;
            for (const FolderMatch& match : work.Matches) {
                // A stopped run takes no further step, so nothing found
                // after the stop is used: on a slow drive, reading the
                // waiting folders' files would only hold up the end.
                if (m_stop != nullptr && m_stop->Requested()) {
                    break;
                }
                if (ReadScanEntry(*work.Listing, match.EntryIndex, entry)) {
                    FoundFiles& found = work.Found[match.PatternIndex];
                    CollectFoundFile(found, work.Path, entry, m_dateFrom);
                    if (m_onFound) {
                        m_onFound(found.back());
                    }
                }
            }
        } catch (...) {
            work.Failure = std::current_exception();
        }
        work.Listing.reset();
    }

    // Only the caller's thread hands on, so the lists grow in listing order.
    void HandOnReady(std::unique_lock<std::mutex>& lock) {
        while (!m_waiting.empty() && m_waiting.front()->Done) {
            const std::unique_ptr<FolderWork> work = std::move(m_waiting.front());
            m_waiting.pop_front();
            --m_claimed;
            lock.unlock();
            HandOn(*work);
            lock.lock();
        }
    }

    void HandOn(FolderWork& work) {
        if (work.Failure) {
            std::rethrow_exception(work.Failure);
        }
        for (std::size_t p = 0; p < work.Found.size(); ++p) {
            FoundFiles& list = m_perPattern[p];
            list.insert(list.end(), std::make_move_iterator(work.Found[p].begin()),
                        std::make_move_iterator(work.Found[p].end()));
        }
    }

    const DateSource m_dateFrom;
    const StopRequest* const m_stop;
    const FoundHook& m_onFound;
    std::vector<FoundFiles>& m_perPattern;
    const std::size_t m_mostWaiting;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    // Listed and not yet handed on, in listing order; the first m_claimed
    // are being read or done.
    std::deque<std::unique_ptr<FolderWork>> m_waiting;
    std::size_t m_claimed = 0;
    bool m_closing = false;
    std::vector<std::thread> m_helpers;
};

}  // namespace

FoundFiles CollectFoundFiles(const SortOptions& options, const std::vector<std::string>& patterns,
                             const ProblemCallback& problems, const StopRequest* stop,
                             unsigned helpers, const FoundHook& onFound) {
    FoundFiles found;
    if (patterns.empty()) {
        return found;
    }
    ScanControl control;
    // Whoever asks a run to stop at once asks it to stop after this file too.
    control.Stop = stop != nullptr ? &stop->AfterThisFile : nullptr;
    control.OnUnreadableFolder = [&problems](const std::string& folderPath,
                                             const std::string& reason) {
        if (problems) {
            problems(SortProblem{"cannot read the folder " +
                                 platform::WithoutTrailingSeparator(folderPath) + ": " + reason});
        }
    };
    // One walk per source folder serves every pattern; the per-pattern lists
    // are joined in pattern order, which is the order of one walk per pattern.
    std::vector<FoundFiles> perPattern(patterns.size());
    DetailQueue queue(options.DateFrom, perPattern, helpers, stop, onFound);
    for (const std::string& folder : options.SourceFolders) {
        if (stop != nullptr && stop->Requested()) {
            break;
        }
        if (options.DeleteSources && problems && !platform::ShowsWriteProtection(folder)) {
            problems(SortProblem{"the drive of " + platform::WithoutTrailingSeparator(folder) +
                                     " is read through a FUSE driver that does not show photos "
                                     "protected in the camera: they are deleted like the others",
                                 false});
        }
        WalkFolderTree(
            folder, patterns,
            [&queue](const std::string& folderPath, platform::FolderListing listing,
                     std::vector<FolderMatch> matches) {
                if (matches.empty()) {
                    return;
                }
                const auto shared =
                    std::make_shared<const platform::FolderListing>(std::move(listing));
                for (std::size_t first = 0; first < matches.size(); first += kFilesPerPart) {
                    const auto begin = matches.begin() + static_cast<std::ptrdiff_t>(first);
                    const auto end = matches.begin() + static_cast<std::ptrdiff_t>(std::min(
                                                           matches.size(), first + kFilesPerPart));
                    queue.Add(std::make_unique<FolderWork>(folderPath, shared,
                                                           std::vector<FolderMatch>(begin, end)));
                }
            },
            control);
        queue.Finish();
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

}  // namespace quenby
