#include <windows.h>

#include <cstdint>

#include "platform/files/preview.h"
#include "platform/text/widetext.h"

namespace quenby::platform {
namespace {

std::string ParentOf(const std::string& path) {
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
}

bool IsFolder(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesW(ToWide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::int64_t Ticks(const FILETIME& time) {
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(time.dwHighDateTime) << 32) |
                                     time.dwLowDateTime);
}

}  // namespace

// Windows keeps its rights in access lists that only an attempt really
// answers; these look at what the entries themselves tell.

FileStatus PreviewCreateFolder(const std::string& path) {
    if (path.empty() || !IsFolder(ParentOf(path))) {
        return FileStatus{false, WindowsErrorText(ERROR_PATH_NOT_FOUND)};
    }
    if (::GetFileAttributesW(ToWide(path).c_str()) != INVALID_FILE_ATTRIBUTES) {
        return FileStatus{false, WindowsErrorText(ERROR_ALREADY_EXISTS)};
    }
    return {};
}

CopyResult PreviewCopy(const std::string& source, const std::string& target, bool lookAtTarget) {
    CopyResult result;
    const DWORD attributes = ::GetFileAttributesW(ToWide(source).c_str());
    if (source.empty() || attributes == INVALID_FILE_ATTRIBUTES) {
        result.Reason = WindowsErrorText(source.empty() ? ERROR_FILE_NOT_FOUND : ::GetLastError());
        return result;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        result.Reason = "not a regular file";
        return result;
    }
    if (lookAtTarget && ::GetFileAttributesW(ToWide(target).c_str()) != INVALID_FILE_ATTRIBUTES) {
        if (FileEntryExists(target)) {
            result.Outcome = CopyOutcome::Exists;
        } else {
            result.Reason = WindowsErrorText(ERROR_DIRECTORY);
        }
        return result;
    }
    result.Outcome = CopyOutcome::Copied;
    return result;
}

DeleteResult PreviewDelete(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesW(ToWide(path).c_str());
    if (path.empty() || attributes == INVALID_FILE_ATTRIBUTES) {
        return {DeleteOutcome::Failed,
                WindowsErrorText(path.empty() ? ERROR_FILE_NOT_FOUND : ::GetLastError())};
    }
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        return {DeleteOutcome::ReadOnly, {}};
    }
    return {DeleteOutcome::Deleted, {}};
}

std::optional<FileFacts> RegularFileFacts(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(ToWide(path).c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return std::nullopt;
    }
    return FileFacts{(static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow,
                     (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                         data.ftLastWriteTime.dwLowDateTime};
}

FileComparison PreviewCompare(const std::string& first, const std::string& second) {
    WIN32_FILE_ATTRIBUTE_DATA a{};
    WIN32_FILE_ATTRIBUTE_DATA b{};
    if (!::GetFileAttributesExW(ToWide(first).c_str(), GetFileExInfoStandard, &a)) {
        return {Likeness::Unknown, first + ": " + WindowsErrorText(::GetLastError())};
    }
    if (!::GetFileAttributesExW(ToWide(second).c_str(), GetFileExInfoStandard, &b)) {
        return {Likeness::Unknown, second + ": " + WindowsErrorText(::GetLastError())};
    }
    constexpr std::int64_t kFatTimeStep = 20'000'000;  // 2 s in 100 ns
    const std::int64_t apart = Ticks(a.ftLastWriteTime) - Ticks(b.ftLastWriteTime);
    const bool same = a.nFileSizeHigh == b.nFileSizeHigh && a.nFileSizeLow == b.nFileSizeLow &&
                      apart < kFatTimeStep && -apart < kFatTimeStep;
    return {same ? Likeness::Same : Likeness::Different, {}};
}

}  // namespace quenby::platform
