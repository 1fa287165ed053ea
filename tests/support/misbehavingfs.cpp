// quenby_misbehaving_fs: a FUSE file system that shows a backing folder as a
// card whose photos can be read and deleted, and misbehaves on command as
// cards and phone bridges do: wrong sizes, failing, held or slow reads. The
// tests mount it through MisbehavingMount.
#define FUSE_USE_VERSION 31

#include <dirent.h>
#include <fcntl.h>
#include <fuse.h>
#include <fuse_lowlevel.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace quenby::test {
namespace {

struct State {
    std::string Backing;
    std::string Control;
    std::map<std::string, std::uint64_t> ReportedSize;
    std::map<std::string, int> FailuresLeft;
    std::set<std::string> HoldsLeft;
    int SlowReadMs = 0;
    // An open file keeps the name it was opened by: libfuse passes no path
    // to the calls on open files, and a file removed while open has none.
    std::map<int, std::string> OpenNames;
    std::mutex Lock;
};

State& Self() {
    return *static_cast<State*>(fuse_get_context()->private_data);
}

std::string Full(const char* path) {
    return Self().Backing + path;
}

std::string BaseName(const char* path) {
    const std::string text(path);
    return text.substr(text.rfind('/') + 1);
}

int Fd(const fuse_file_info* fi) {
    return static_cast<int>(fi->fh);
}

std::string NameOf(const fuse_file_info* fi) {
    State& state = Self();
    std::lock_guard<std::mutex> guard(state.Lock);
    const auto open = state.OpenNames.find(Fd(fi));
    return open != state.OpenNames.end() ? open->second : std::string();
}

int Result(int returned) {
    return returned < 0 ? -errno : 0;
}

bool Exists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

bool TakeHold(const std::string& name) {
    State& state = Self();
    std::lock_guard<std::mutex> guard(state.Lock);
    return state.HoldsLeft.erase(name) > 0;
}

bool TakeFailure(const std::string& name) {
    State& state = Self();
    std::lock_guard<std::mutex> guard(state.Lock);
    const auto left = state.FailuresLeft.find(name);
    if (left == state.FailuresLeft.end() || left->second <= 0) {
        return false;
    }
    --left->second;
    return true;
}

// Says it is held, then waits for the test's word, or for the session's
// end, so that a daemon told to stop never hangs on a forgotten release.
void Hold(const std::string& name) {
    const State& state = Self();
    const int marker =
        ::open((state.Control + "/held-" + name).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (marker >= 0) {
        ::close(marker);
    }
    fuse_session* session = fuse_get_session(fuse_get_context()->fuse);
    const std::string release = state.Control + "/release-" + name;
    while (!Exists(release) && !fuse_session_exited(session)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

void* Init(fuse_conn_info*, fuse_config* config) {
    config->use_ino = 1;
    config->nullpath_ok = 1;
    // Removed open files go at once, leaving no hidden file in the backing folder.
    config->hard_remove = 1;
    // The tests change the backing folder beside the mount: nothing is cached.
    config->entry_timeout = 0;
    config->attr_timeout = 0;
    config->negative_timeout = 0;
    return fuse_get_context()->private_data;
}

int GetAttr(const char* path, struct stat* info, fuse_file_info* fi) {
    const int result =
        Result(fi != nullptr ? ::fstat(Fd(fi), info) : ::lstat(Full(path).c_str(), info));
    if (result != 0) {
        return result;
    }
    const State& state = Self();
    const auto reported = state.ReportedSize.find(fi != nullptr ? NameOf(fi) : BaseName(path));
    if (reported != state.ReportedSize.end()) {
        info->st_size = static_cast<off_t>(reported->second);
    }
    return 0;
}

int OpenDir(const char* path, fuse_file_info* fi) {
    DIR* dir = ::opendir(Full(path).c_str());
    if (dir == nullptr) {
        return -errno;
    }
    fi->fh = reinterpret_cast<std::uint64_t>(dir);
    return 0;
}

int ReadDir(const char*, void* buffer, fuse_fill_dir_t fill, off_t, fuse_file_info* fi,
            fuse_readdir_flags) {
    DIR* dir = reinterpret_cast<DIR*>(fi->fh);
    ::rewinddir(dir);
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
        struct stat info {};
        info.st_ino = entry->d_ino;
        info.st_mode = static_cast<mode_t>(entry->d_type) << 12;
        if (fill(buffer, entry->d_name, &info, 0, static_cast<fuse_fill_dir_flags>(0)) != 0) {
            return 0;
        }
    }
    return -errno;
}

int ReleaseDir(const char*, fuse_file_info* fi) {
    ::closedir(reinterpret_cast<DIR*>(fi->fh));
    return 0;
}

// Every read reaches the daemon, and the kernel takes its reads as they
// come instead of cutting them at the size that getattr reports.
int Keep(int fd, const char* path, fuse_file_info* fi) {
    if (fd < 0) {
        return -errno;
    }
    State& state = Self();
    {
        std::lock_guard<std::mutex> guard(state.Lock);
        state.OpenNames[fd] = BaseName(path);
    }
    fi->fh = static_cast<std::uint64_t>(fd);
    fi->direct_io = 1;
    return 0;
}

int Open(const char* path, fuse_file_info* fi) {
    return Keep(::open(Full(path).c_str(), fi->flags | O_CLOEXEC), path, fi);
}

int Read(const char*, char* buffer, size_t size, off_t offset, fuse_file_info* fi) {
    const State& state = Self();
    const std::string name = NameOf(fi);
    if (TakeHold(name)) {
        Hold(name);
    }
    if (state.SlowReadMs > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(state.SlowReadMs));
    }
    if (TakeFailure(name)) {
        return -EIO;
    }
    const ssize_t got = ::pread(Fd(fi), buffer, size, offset);
    return got < 0 ? -errno : static_cast<int>(got);
}

int Release(const char*, fuse_file_info* fi) {
    State& state = Self();
    {
        std::lock_guard<std::mutex> guard(state.Lock);
        state.OpenNames.erase(Fd(fi));
    }
    ::close(Fd(fi));
    return 0;
}

int Unlink(const char* path) {
    return Result(::unlink(Full(path).c_str()));
}

int Usage(const std::string& why) {
    std::fprintf(stderr,
                 "quenby_misbehaving_fs: %s\n"
                 "usage: quenby_misbehaving_fs [--report-size NAME=BYTES] [--fail-reads NAME=N]\n"
                 "       [--hold-read NAME] [--slow-read MS] --control DIR BACKING_DIR MOUNT_DIR\n"
                 "       (absolute paths: libfuse leaves the daemon in \"/\")\n",
                 why.c_str());
    return 2;
}

bool ParseCount(const std::string& text, long long& value) {
    char* end = nullptr;
    value = std::strtoll(text.c_str(), &end, 10);
    return !text.empty() && value >= 0 && *end == '\0';
}

// NAME=NUMBER, split at the last "=" so that a name may hold one.
bool ParseNamed(const std::string& text, std::string& name, long long& value) {
    const std::size_t at = text.rfind('=');
    name = text.substr(0, at);
    return at != std::string::npos && at != 0 && ParseCount(text.substr(at + 1), value);
}

int Run(int argc, char** argv) {
    State state;
    std::vector<std::string> places;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (!option.starts_with("--")) {
            places.push_back(option);
            continue;
        }
        const std::string value = i + 1 < argc ? argv[++i] : "";
        std::string name;
        long long number = 0;
        if (option == "--report-size" && ParseNamed(value, name, number)) {
            state.ReportedSize[name] = static_cast<std::uint64_t>(number);
        } else if (option == "--fail-reads" && ParseNamed(value, name, number)) {
            state.FailuresLeft[name] = static_cast<int>(number);
        } else if (option == "--hold-read" && !value.empty()) {
            state.HoldsLeft.insert(value);
        } else if (option == "--slow-read" && ParseCount(value, number)) {
            state.SlowReadMs = static_cast<int>(number);
        } else if (option == "--control" && value.starts_with('/')) {
            state.Control = value;
        } else {
            return Usage("bad option " + option + " " + value);
        }
    }
    if (places.size() != 2 || !places[0].starts_with('/') || state.Control.empty()) {
        return Usage("give the control folder, the backing folder and the mount point");
    }
    state.Backing = places[0] == "/" ? "" : places[0];

    fuse_operations operations{};
    operations.init = Init;
    operations.getattr = GetAttr;
    operations.opendir = OpenDir;
    operations.readdir = ReadDir;
    operations.releasedir = ReleaseDir;
    operations.open = Open;
    operations.read = Read;
    operations.release = Release;
    operations.unlink = Unlink;

    // In the foreground and on several threads, so that a held read leaves
    // the other requests served. libfuse 3.14 complains of its own default
    // idle-thread limit unless it is given one.
    std::vector<std::string> arguments = {
        argv[0], "-f", "-o", "fsname=quenby_misbehaving_fs,subtype=misbehaving,max_idle_threads=10",
        places[1]};
    std::vector<char*> fuseArgv;
    for (std::string& argument : arguments) {
        fuseArgv.push_back(argument.data());
    }
    fuseArgv.push_back(nullptr);
    return fuse_main(static_cast<int>(arguments.size()), fuseArgv.data(), &operations, &state);
}

}  // namespace
}  // namespace quenby::test

int main(int argc, char** argv) {
    return quenby::test::Run(argc, argv);
}
