// The work that a second run over copies that all exist cannot avoid, done
// as plainly as it can be on two threads: walk the tree, read the time of
// every *.jpg and *.avi, list each day folder of the target once, read the
// size and time of each file found there (which tell a photo's own copy
// from another photo of its name), and write "File TARGET/DAY/NAME exists"
// for each. bench.sh times it
// beside quenby-sort and find, to show how near the machine lets a run come
// to find, which reads no file's time at all.
// Usage: quenby_unavoidable_scan SOURCE TARGET   (folders as yyyy-mm-dd)
#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace {

struct Folder {
    int Descriptor = -1;
    std::string Path;
    std::vector<std::string> Names;
    std::vector<std::time_t> Times;
};

class TimeReader {
public:
    TimeReader() : m_helper([this] { Work(); }) {}
    ~TimeReader() { m_helper.join(); }

    void Add(Folder folder) {
        {
            const std::lock_guard lock(m_mutex);
            m_folders.push_back(std::move(folder));
        }
        m_added.notify_one();
    }

    // Helps until every folder has its times.
    std::deque<Folder>& Finish() {
        {
            const std::lock_guard lock(m_mutex);
            m_walked = true;
        }
        m_added.notify_one();
        Work();
        std::unique_lock lock(m_mutex);
        m_finished.wait(lock, [this] { return m_done == m_folders.size(); });
        return m_folders;
    }

private:
    void Work() {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_added.wait(lock, [this] { return m_walked || m_next < m_folders.size(); });
            if (m_next == m_folders.size()) {
                return;
            }
            Folder& folder = m_folders[m_next++];
            lock.unlock();
            folder.Times.resize(folder.Names.size());
            for (std::size_t i = 0; i < folder.Names.size(); ++i) {
                struct stat info {};
                if (::fstatat(folder.Descriptor, folder.Names[i].c_str(), &info, 0) == 0) {
                    folder.Times[i] = info.st_mtim.tv_sec;
                }
            }
            ::close(folder.Descriptor);
            lock.lock();
            ++m_done;
            m_finished.notify_all();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_added;
    std::condition_variable m_finished;
    std::deque<Folder> m_folders;
    std::size_t m_next = 0;
    std::size_t m_done = 0;
    bool m_walked = false;
    std::thread m_helper;
};

bool IsPhoto(const char* name) {
    const std::size_t length = std::strlen(name);
    return length > 4 && (::strcasecmp(name + length - 4, ".jpg") == 0 ||
                          ::strcasecmp(name + length - 4, ".avi") == 0);
}

void Walk(const std::string& path, TimeReader& reader) {
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* stream = descriptor >= 0 ? ::fdopendir(::dup(descriptor)) : nullptr;
    if (stream == nullptr) {
        return;
    }
    Folder folder{descriptor, path, {}, {}};
    std::vector<std::string> subFolders;
    while (const dirent* entry = ::readdir(stream)) {
        if (entry->d_name[0] == '.') {
            continue;
        }
        if (entry->d_type == DT_DIR) {
            subFolders.emplace_back(entry->d_name);
        } else if (IsPhoto(entry->d_name)) {
            folder.Names.emplace_back(entry->d_name);
        }
    }
    ::closedir(stream);
    std::sort(folder.Names.begin(), folder.Names.end());
    std::sort(subFolders.begin(), subFolders.end());
    reader.Add(std::move(folder));
    for (const std::string& name : subFolders) {
        Walk(path + "/" + name, reader);
    }
}

std::unordered_set<std::string> ListFolder(const std::string& path) {
    std::unordered_set<std::string> names;
    if (DIR* stream = ::opendir(path.c_str())) {
        while (const dirent* entry = ::readdir(stream)) {
            names.emplace(entry->d_name);
        }
        ::closedir(stream);
    }
    return names;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: quenby_unavoidable_scan SOURCE TARGET\n", stderr);
        return 2;
    }
    const std::string target = argv[2];
    TimeReader reader;
    Walk(argv[1], reader);
    const std::deque<Folder>& folders = reader.Finish();

    // Each file's local day, each day's folder name written once, then each
    // day folder listed once, on both threads.
    std::unordered_map<int, std::size_t> dayIndex;
    std::vector<std::string> days;
    std::vector<std::size_t> dayOfFile;
    for (const Folder& folder : folders) {
        for (const std::time_t time : folder.Times) {
            std::tm local{};
            ::localtime_r(&time, &local);
            const int key = (local.tm_year * 13 + local.tm_mon) * 32 + local.tm_mday;
            const auto [known, added] = dayIndex.try_emplace(key, days.size());
            if (added) {
                char name[16];
                std::strftime(name, sizeof name, "%Y-%m-%d", &local);
                days.emplace_back(name);
            }
            dayOfFile.push_back(known->second);
        }
    }
    std::vector<std::vector<const std::string*>> namesOfDay(days.size());
    std::size_t counted = 0;
    for (const Folder& folder : folders) {
        for (const std::string& name : folder.Names) {
            namesOfDay[dayOfFile[counted++]].push_back(&name);
        }
    }
    std::vector<std::unordered_set<std::string>> listings(days.size());
    std::atomic<std::size_t> nextDay{0};
    std::atomic<long long> bytes{0};
    const auto list = [&] {
        for (std::size_t i = nextDay++; i < days.size(); i = nextDay++) {
            const std::string folder = target + "/" + days[i];
            listings[i] = ListFolder(folder);
            const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            for (const std::string* name : namesOfDay[i]) {
                struct stat info {};
                if (listings[i].count(*name) != 0 &&
                    ::fstatat(descriptor, name->c_str(), &info, 0) == 0) {
                    bytes += info.st_size;
                }
            }
            if (descriptor >= 0) {
                ::close(descriptor);
            }
        }
    };
    std::thread helper(list);
    list();
    helper.join();

    std::size_t file = 0;
    std::string line;
    for (const Folder& folder : folders) {
        for (const std::string& name : folder.Names) {
            const std::size_t day = dayOfFile[file++];
            if (listings[day].count(name) != 0) {
                line = "File " + target + "/" + days[day] + "/" + name + " exists\n";
                std::fwrite(line.data(), 1, line.size(), stdout);
            }
        }
    }
    return 0;
}
