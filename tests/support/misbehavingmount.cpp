#include "tests/support/misbehavingmount.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "tests/support/childprocess.h"
#include "tests/support/runprogram.h"
#include "tests/support/tempfolder.h"

namespace quenby::test {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

#ifdef QUENBY_HAVE_MISBEHAVING_FS
std::string ExitText(int status) {
    return WIFEXITED(status) ? "exited with " + std::to_string(WEXITSTATUS(status))
                             : "was killed by signal " + std::to_string(WTERMSIG(status));
}
#endif

}  // namespace

MisbehavingMount::MisbehavingMount(const std::string& folder, const MisbehavingFaults& faults)
    : m_folder(folder),
      m_backing(folder + "/backing"),
      m_dir(folder + "/mnt"),
      m_control(folder + "/control"),
      m_heldReads(faults.HeldReads) {
    for (const std::string* made : {&m_backing, &m_dir, &m_control}) {
        std::error_code error;
        std::filesystem::create_directories(*made, error);
        if (error) {
            m_error = "cannot create " + *made + ": " + error.message();
            return;
        }
    }
#ifndef QUENBY_HAVE_MISBEHAVING_FS
    m_skip =
        "libfuse3-dev is missing, so quenby_misbehaving_fs was not built "
        "(scripts/install-deps.sh test installs it)";
#else
    if (::access("/dev/fuse", R_OK | W_OK) != 0) {
        m_skip = "/dev/fuse is missing";
    } else if (::geteuid() != 0 && !OnPath("fusermount3")) {
        m_skip = "mounting FUSE needs root or fusermount3";
    } else if (::access(QUENBY_MISBEHAVING_FS, X_OK) != 0) {
        m_skip = "quenby_misbehaving_fs is not built: " QUENBY_MISBEHAVING_FS;
    }
    if (!m_skip.empty()) {
        return;
    }
    std::vector<std::string> command = {QUENBY_MISBEHAVING_FS, "--control", m_control};
    for (const auto& [name, size] : faults.ReportedSize) {
        command.insert(command.end(), {"--report-size", name + "=" + std::to_string(size)});
    }
    for (const auto& [name, count] : faults.FailedReads) {
        command.insert(command.end(), {"--fail-reads", name + "=" + std::to_string(count)});
    }
    for (const std::string& name : faults.HeldReads) {
        command.insert(command.end(), {"--hold-read", name});
    }
    if (faults.SlowReadMs > 0) {
        command.insert(command.end(), {"--slow-read", std::to_string(faults.SlowReadMs)});
    }
    command.insert(command.end(), {m_backing, m_dir});
    const std::string errPath = folder + "/misbehavingfs.err";
    m_pid = StartProgram(command, folder + "/misbehavingfs.out", errPath);
    if (m_pid < 0) {
        m_error = "cannot start " QUENBY_MISBEHAVING_FS;
        return;
    }
    // The daemon mounts on its own time: the test starts once the mount
    // point is really the new file system.
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(5);
    while (!MountedOver(true)) {
        int status = 0;
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            m_error = "quenby_misbehaving_fs " + ExitText(status) +
                      " before the mount was up: " + ReadFile(errPath);
            return;
        }
        if (Clock::now() > deadline) {
            m_error = "the mount at " + m_dir + " was not up within 5 s";
            return;
        }
        std::this_thread::sleep_for(milliseconds(10));
    }
    m_mounted = true;
#endif
}

MisbehavingMount::~MisbehavingMount() {
    if (m_pid >= 0) {
        // A held read would keep its file open and the daemon busy.
        for (const std::string& name : m_heldReads) {
            Release(name);
        }
        for (int attempt = 0; attempt < 20 && MountedOver(false) && !Unmount(false); ++attempt) {
            std::this_thread::sleep_for(milliseconds(50));
        }
        if (MountedOver(false)) {
            Unmount(true);
        }
        // Unmounted, the daemon ends by itself once the last open file
        // closes; one that does not is asked to, then killed.
        if (!DaemonExited(milliseconds(5000))) {
            ::kill(m_pid, SIGTERM);
            if (!DaemonExited(milliseconds(2000))) {
                ::kill(m_pid, SIGKILL);
                WaitForProgram(m_pid);
            }
        }
    }
    // A daemon that died leaves its mount standing, cut off.
    if (m_skip.empty() && MountedOver(false)) {
        Unmount(true);
    }
}

bool MisbehavingMount::WaitUntilHeld(const std::string& name, milliseconds timeout) const {
    const Clock::time_point deadline = Clock::now() + timeout;
    const std::string marker = m_control + "/held-" + name;
    while (!Exists(marker)) {
        if (Clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(milliseconds(5));
    }
    return true;
}

void MisbehavingMount::Release(const std::string& name) const {
    const int marker =
        ::open((m_control + "/release-" + name).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (marker >= 0) {
        ::close(marker);
    }
}

bool MisbehavingMount::UnmountLazily() {
    if (!m_mounted || !Unmount(true)) {
        return false;
    }
    m_mounted = false;
    return true;
}

bool MisbehavingMount::Unmount(bool lazily) const {
    if (::geteuid() == 0) {
        return ::umount2(m_dir.c_str(), lazily ? MNT_DETACH : 0) == 0;
    }
    const std::string command =
        std::string("fusermount3 -u ") + (lazily ? "-z " : "") + "'" + m_dir + "' >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

bool MisbehavingMount::MountedOver(bool liveOnly) const {
    struct stat below {};
    struct stat point {};
    if (::stat(m_folder.c_str(), &below) != 0) {
        return false;
    }
    if (::stat(m_dir.c_str(), &point) != 0) {
        // What a killed daemon leaves: a mount whose connection is gone.
        return !liveOnly && errno == ENOTCONN;
    }
    return point.st_dev != below.st_dev;
}

bool MisbehavingMount::DaemonExited(milliseconds within) {
    const Clock::time_point deadline = Clock::now() + within;
    int status = 0;
    while (::waitpid(m_pid, &status, WNOHANG) != m_pid) {
        if (Clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(milliseconds(10));
    }
    return true;
}

}  // namespace quenby::test
