#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string_view>

#include "platform/files/mounts.h"

namespace quenby::platform {
namespace {

// The type of the file system mounted from a device, as the kernel lists its
// mounts; empty when none is listed (a btrfs subvolume has a device number
// of its own).
std::string FileSystemTypeOf(std::uint64_t device) {
    const dev_t number = static_cast<dev_t>(device);
    const std::string wanted = std::to_string(major(number)) + ":" + std::to_string(minor(number));
    std::ifstream mounts("/proc/self/mountinfo");
    for (std::string line; std::getline(mounts, line);) {
        std::istringstream fields(line);
        std::string id;
        std::string parent;
        std::string numbers;
        if (!(fields >> id >> parent >> numbers) || numbers != wanted) {
            continue;
        }
        const std::size_t separator = line.find(" - ");
        if (separator == std::string::npos) {
            continue;
        }
        std::istringstream rest(line.substr(separator + 3));
        std::string type;
        rest >> type;
        return type;
    }
    return {};
}

// The kernel writes a space, tab, newline or backslash in a mount point as
// a backslash and three octal digits ("NIKON\040D750").
std::string UnescapeMountField(const std::string& field) {
    std::string text;
    for (std::size_t i = 0; i < field.size(); ++i) {
        const auto octal = [&](std::size_t at) {
            return at < field.size() && field[at] >= '0' && field[at] <= '7';
        };
        if (field[i] == '\\' && octal(i + 1) && octal(i + 2) && octal(i + 3)) {
            text += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                      (field[i + 3] - '0'));
            i += 3;
        } else {
            text += field[i];
        }
    }
    return text;
}

std::string UserName() {
    if (const char* user = std::getenv("USER"); user != nullptr && user[0] != '\0') {
        return user;
    }
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && found->pw_name != nullptr) {
        return found->pw_name;
    }
    return {};
}

}  // namespace

bool HoldsUserFiles(const FolderIdentity& folder) {
    static constexpr std::array<std::string_view, 22> kInterfaces = {
        "proc",       "sysfs",   "devtmpfs",   "devpts",      "cgroup", "cgroup2",
        "debugfs",    "tracefs", "securityfs", "pstore",      "bpf",    "configfs",
        "fusectl",    "mqueue",  "hugetlbfs",  "binfmt_misc", "autofs", "efivarfs",
        "rpc_pipefs", "nsfs",    "selinuxfs",  "nfsd"};
    const std::string type = FileSystemTypeOf(folder.Device);
    for (const std::string_view known : kInterfaces) {
        if (type == known) {
            return false;
        }
    }
    return true;
}

bool ShowsWriteProtection(const std::string& folder) {
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0) {
        return true;
    }
    // exfat-fuse and ntfs-3g mount as "fuseblk", fusefat as "fuse.fusefat":
    // none of them turns the read-only attribute into missing write bits.
    const std::string type = FileSystemTypeOf(info.st_dev);
    return type != "fuseblk" &&
           !(type.starts_with("fuse.") && type.find("fat") != std::string::npos);
}

std::vector<std::string> MountPoints() {
    std::vector<std::string> points;
    std::ifstream mounts("/proc/self/mounts");
    for (std::string line; std::getline(mounts, line);) {
        std::istringstream fields(line);
        std::string device;
        std::string point;
        if (fields >> device >> point) {
            points.push_back(UnescapeMountField(point));
        }
    }
    return points;
}

MediaFolders DesktopMediaFolders() {
    MediaFolders folders;
    const std::string user = UserName();
    if (!user.empty()) {
        folders.MountParents = {"/media/" + user, "/run/media/" + user};
    }
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    folders.EntryParent = (runtime != nullptr && runtime[0] == '/')
                              ? std::string(runtime) + "/gvfs"
                              : "/run/user/" + std::to_string(::getuid()) + "/gvfs";
    return folders;
}

// The kernel marks the open table with POLLPRI and POLLERR whenever a mount
// comes or goes in this process's namespace; poll() clears the mark.
MountTableWatch::MountTableWatch()
    : m_descriptor(::open("/proc/self/mounts", O_RDONLY | O_CLOEXEC)) {}

MountTableWatch::~MountTableWatch() {
    if (m_descriptor >= 0) {
        ::close(m_descriptor);
    }
}

}  // namespace quenby::platform
