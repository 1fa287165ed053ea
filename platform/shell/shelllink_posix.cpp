#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>

#include <cerrno>

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
// short enough that a stuck one cannot hold the window for long.
constexpr int kTrustWaitMilliseconds = 5000;
constexpr int kTrustPollMilliseconds = 10;

// GNOME's desktop asks before it starts an entry it has not been told to
// trust. Where gio is missing or no metadata service runs this does nothing,
// and the entry still starts after that one question.
void MarkTrusted(const std::string& path) {
    // gio reads a leading "-" as an option and takes no "--" before a location.
    std::string location = path.front() == '-' ? "./" + path : path;
    std::string program = "gio";
    std::string verb = "set";
    std::string attribute = "metadata::trusted";
    std::string value = "true";
    char* argv[] = {program.data(),   verb.data(),  location.data(),
                    attribute.data(), value.data(), nullptr};

    posix_spawn_file_actions_t actions;
    if (::posix_spawn_file_actions_init(&actions) != 0) {
        return;
    }
    ::posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    ::posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    ::posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    const int started = ::posix_spawnp(&child, program.c_str(), &actions, nullptr, argv, environ);
    ::posix_spawn_file_actions_destroy(&actions);
    if (started != 0) {
        return;
    }
    for (int waited = 0;; waited += kTrustPollMilliseconds) {
        int status = 0;
        const pid_t done = ::waitpid(child, &status, WNOHANG);
        if (done == child || (done < 0 && errno != EINTR)) {
            return;
        }
        if (waited >= kTrustWaitMilliseconds) {
            ::kill(child, SIGKILL);
            while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
            }
            return;
        }
        const timespec pause{0, kTrustPollMilliseconds * 1000000L};
        ::nanosleep(&pause, nullptr);
    }
}

}  // namespace

std::string ShellLinkFolder(const ShellLinkFolderKey& key) {
    return key.FolderNumber < 0 ? std::string() : ShellFolderPath(key.FolderNumber);
}

bool WriteShellLink(const std::string& linkPath, const ShellLink& link) {
    std::string text;
    if (linkPath.empty() || !ComposeDesktopEntry(link, text)) {
        return false;
    }
    std::string errorText;
    if (ReplaceWholeFile(linkPath, text, kEntryMode, errorText) != ReplaceOutcome::Replaced) {
        return false;
    }
    MarkTrusted(linkPath);
    return true;
}

}  // namespace quenby::platform
