#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/files/filetime_posix.h"
#include "platform/files/pathsep.h"
#include "platform/files/preview.h"

namespace quenby::platform {
namespace {

std::string ParentOf(const std::string& path) {
    const std::size_t slash = path.rfind(kPathSeparator);
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? std::string(1, kPathSeparator) : path.substr(0, slash);
}

// Whether this process may add entries to the folder, and remove them.
int FolderWritable(const std::string& folder) {
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0) {
        return errno;
    }
    if (!S_ISDIR(info.st_mode)) {
        return ENOTDIR;
    }
    return ::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0 ? 0 : errno;
}

std::int64_t Nanoseconds(const struct timespec& time) {
    return static_cast<std::int64_t>(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

}  // namespace

FileStatus PreviewCreateFolder(const std::string& path) {
    struct stat info {};
    int error = path.empty() ? ENOENT : 0;
    if (error == 0 && ::lstat(path.c_str(), &info) == 0) {
        error = EEXIST;
    }
    if (error == 0) {
        error = FolderWritable(ParentOf(path));
    }
    return error == 0 ? FileStatus{} : FileStatus{false, std::strerror(error)};
}

CopyResult PreviewCopy(const std::string& source, const std::string& target, bool lookAtTarget) {
    CopyResult result;
    struct stat info {};
    if (source.empty() || ::stat(source.c_str(), &info) != 0) {
        result.Reason = std::strerror(source.empty() ? ENOENT : errno);
        return result;
    }
    result.Source = FileIdentity{info.st_dev, info.st_ino, info.st_size, Nanoseconds(info.st_mtim),
                                 Nanoseconds(info.st_ctim)};
    if (!S_ISREG(info.st_mode)) {
        result.Reason = "not a regular file";
        return result;
    }
    if (::faccessat(AT_FDCWD, source.c_str(), R_OK, AT_EACCESS) != 0) {
        result.Reason = std::strerror(errno);
        return result;
    }
    if (lookAtTarget) {
        struct stat taken {};
        if (::lstat(target.c_str(), &taken) == 0) {
            // Links are followed: a link to a file counts as that file.
            const bool resolved = ::stat(target.c_str(), &taken) == 0;
            if (resolved && !S_ISDIR(taken.st_mode)) {
                result.Outcome = CopyOutcome::Exists;
            } else {
                result.Reason = std::strerror(resolved ? EISDIR : EEXIST);
            }
            return result;
        }
        if (const int error = FolderWritable(ParentOf(target)); error != 0) {
            result.Reason = std::strerror(error);
            return result;
        }
    }
    result.Outcome = CopyOutcome::Copied;
    return result;
}

DeleteResult PreviewDelete(const std::string& path) {
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0) {
        return {DeleteOutcome::Failed, std::strerror(path.empty() ? ENOENT : errno)};
    }
    if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        return {DeleteOutcome::ReadOnly, {}};
    }
    if (const int error = FolderWritable(ParentOf(path)); error != 0) {
        return {DeleteOutcome::Failed, std::strerror(error)};
    }
    return {DeleteOutcome::Deleted, {}};
}

std::optional<FileFacts> RegularFileFacts(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0) {
        return std::nullopt;
    }
    return FileFacts{static_cast<std::uint64_t>(info.st_size), FileTimeOf(info.st_mtim)};
}

FileComparison PreviewCompare(const std::string& first, const std::string& second) {
    struct stat a {};
    struct stat b {};
    if (::stat(first.c_str(), &a) != 0) {
        return {Likeness::Unknown, first + ": " + std::strerror(errno)};
    }
    if (::stat(second.c_str(), &b) != 0) {
        return {Likeness::Unknown, second + ": " + std::strerror(errno)};
    }
    constexpr std::int64_t kFatTimeStep = 2'000'000'000;
    const bool same = a.st_size == b.st_size &&
                      std::abs(Nanoseconds(a.st_mtim) - Nanoseconds(b.st_mtim)) < kFatTimeStep;
    return {same ? Likeness::Same : Likeness::Different, {}};
}

}  // namespace quenby::platform
