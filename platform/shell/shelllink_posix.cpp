#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "platform/files/wholefile.h"
#include "platform/shell/desktopentry.h"
#include "platform/shell/shellfolders.h"
#include "platform/shell/shelllink.h"

extern char** environ;

namespace quenby::platform {
namespace {

// Desktops start only entries that may be executed.
constexpr unsigned kEntryMode = 0755;

// Long enough for the desktop's metadata service to start on first use,
// short enough that a stuck one does not linger.
constexpr int kTrustWaitMilliseconds = 5000;
constexpr int kTrustPollMilliseconds = 10;

// The program's path on the PATH; empty when it is not there.
std::string FindOnPath(const std::string& program) {
    const char* variable = std::getenv("PATH");
    std::string_view rest = variable != nullptr ? variable : "";
    while (!rest.empty()) {
        const std::size_t colon = rest.find(':');
        const std::string_view folder = rest.substr(0, colon);
        const std::string candidate =
            (folder.empty() ? std::string(".") : std::string(folder)) + "/" + program;
        if (::access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
        rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
    }
    return {};
}

// Runs in the forked watcher: starts gio, and kills it when it takes too
// long. Only calls that are safe after a fork of a threaded process.
[[noreturn]] void RunAndWatch(const char* program, char** argv) {
    const pid_t child = ::fork();
    if (child == 0) {
        ::execve(program, argv, environ);
        ::_exit(127);
    }
    if (child < 0) {
        ::_exit(1);
    }
    for (int waited = 0;; waited += kTrustPollMilliseconds) {
        int status = 0;
        const pid_t done = ::waitpid(child, &status, WNOHANG);
        if (done == child || (done < 0 && errno != EINTR)) {
            ::_exit(0);
        }
        if (waited >= kTrustWaitMilliseconds) {
            ::kill(child, SIGKILL);
            while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
            }
            ::_exit(0);
        }
        const timespec pause{0, kTrustPollMilliseconds * 1000000L};
        ::nanosleep(&pause, nullptr);
    }
}

// GNOME's desktop asks before it starts an entry it has not been told to
// trust. Where gio is missing or no metadata service runs this does nothing,
// and the entry still starts after that one question. gio may wait for the
// service to start, so it runs on its own: a helper process starts a
// watcher and ends at once, and the watcher (then the init process's child)
// runs gio with a time limit. The caller only waits for the helper.
void MarkTrusted(const std::string& path) {
    const std::string program = FindOnPath("gio");
    if (program.empty()) {
        return;
    }
    // gio reads a leading "-" as an option and takes no "--" before a location.
    std::string location = path.front() == '-' ? "./" + path : path;
    std::string name = "gio";
    std::string verb = "set";
    std::string attribute = "metadata::trusted";
    std::string value = "true";
    char* argv[] = {name.data(),      verb.data(),  location.data(),
                    attribute.data(), value.data(), nullptr};

    const int devNull = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    if (devNull < 0) {
        return;
    }
    const pid_t helper = ::fork();
    if (helper == 0) {
        // Nothing of ours reaches gio: no terminal, no pipe a caller waits on.
        ::dup2(devNull, STDIN_FILENO);
        ::dup2(devNull, STDOUT_FILENO);
        ::dup2(devNull, STDERR_FILENO);
        ::setsid();
        const pid_t watcher = ::fork();
        if (watcher == 0) {
            RunAndWatch(program.c_str(), argv);
        }
        ::_exit(0);
    }
    ::close(devNull);
    if (helper > 0) {
        int status = 0;
        while (::waitpid(helper, &status, 0) < 0 && errno == EINTR) {
        }
    }
}

}  // namespace

std::string ShellLinkFolder(const ShellLinkFolderKey& key) {
    return key.FolderNumber < 0 ? std::string() : ShellFolderPath(key.FolderNumber);
}

bool WriteShellLink(const std::string& linkPath, const ShellLink& link, std::string& reason) {
    std::string text;
    if (linkPath.empty()) {
        reason = std::strerror(ENOENT);
        return false;
    }
    if (!ComposeDesktopEntry(link, text)) {
        reason = "The program's path or a text of the launcher cannot stand in a desktop entry.";
        return false;
    }
    if (ReplaceWholeFile(linkPath, text, kEntryMode, reason) != ReplaceOutcome::Replaced) {
        return false;
    }
    MarkTrusted(linkPath);
    return true;
}

}  // namespace quenby::platform
