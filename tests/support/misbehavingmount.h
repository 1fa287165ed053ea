#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace quenby::test {

// What the mounted file system does wrong. Files are named by their base
// name, so "IMG_0001.JPG" misbehaves in every folder.
struct MisbehavingFaults {
    std::map<std::string, std::uint64_t> ReportedSize{};  // name -> size getattr reports
    std::map<std::string, int> FailedReads{};             // name -> first N reads fail (EIO)
    std::vector<std::string> HeldReads{};                 // first read waits for Release(name)
    int SlowReadMs = 0;                                   // every read request waits this long
};

// A FUSE file system that mirrors `folder`/backing at `folder`/mnt and
// misbehaves as told, mounted for one test and taken down again however the
// test ends. Each read() of a program becomes one or more read requests of
// at most 128 KiB: the faults count requests.
class MisbehavingMount {
public:
    // Mounts the file system over `folder`/backing at `folder`/mnt (both
    // created) and returns once the mount is live. Never throws.
    MisbehavingMount(const std::string& folder, const MisbehavingFaults& faults);
    MisbehavingMount(const MisbehavingMount&) = delete;
    MisbehavingMount& operator=(const MisbehavingMount&) = delete;
    // Releases every held read, unmounts (plain, retried briefly, then
    // lazily), stops and reaps the daemon.
    ~MisbehavingMount();

    // Not empty: why this machine cannot mount it.
    const std::string& Skip() const { return m_skip; }
    // Not empty: the mount failed for another reason.
    const std::string& Error() const { return m_error; }
    // A path inside the mount.
    std::string operator/(const std::string& relative) const { return m_dir + "/" + relative; }
    // The same file in the backing folder.
    std::string Backing(const std::string& relative) const { return m_backing + "/" + relative; }
    const std::string& MountPoint() const { return m_dir; }

    // True once the first read of `name` waits for its release.
    bool WaitUntilHeld(const std::string& name, std::chrono::milliseconds timeout) const;
    void Release(const std::string& name) const;
    // Detaches the mount as a desktop does when a drive is pulled (umount
    // -l): the mount point shows the folder below at once, and the daemon
    // goes on serving open files until they are closed.
    bool UnmountLazily();

private:
    bool Unmount(bool lazily) const;
    // The mount point is another file system than its folder, or a dead
    // FUSE mount that still stands there.
    bool MountedOver(bool liveOnly) const;
    bool DaemonExited(std::chrono::milliseconds within);

    std::string m_folder;
    std::string m_backing;
    std::string m_dir;
    std::string m_control;
    std::vector<std::string> m_heldReads;
    std::string m_skip;
    std::string m_error;
    pid_t m_pid = -1;
    bool m_mounted = false;
};

}  // namespace quenby::test
