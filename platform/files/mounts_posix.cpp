#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <array>
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

}  // namespace quenby::platform
