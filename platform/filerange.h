#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace quenby::platform {

// Read-only access to byte ranges of one regular file, for looking at its
// metadata. Opening never blocks (a pipe or a device named like a photo is
// refused, not waited on), and reading leaves the file and its times as they
// were: no access-time update where the system lets us say so.
class FileRange {
public:
    // Empty when the path is not a regular file or cannot be opened.
    static std::optional<FileRange> Open(const std::string& path);

    FileRange(FileRange&& other) noexcept;
    FileRange& operator=(FileRange&& other) noexcept;
    FileRange(const FileRange&) = delete;
    FileRange& operator=(const FileRange&) = delete;
    ~FileRange();

    // The size when the file was opened.
    std::uint64_t Size() const { return m_size; }

    // Fills `into` from `offset` on; returns how many bytes arrived, fewer at
    // the end of the file and 0 on a read error.
    std::size_t Read(std::uint64_t offset, std::span<std::byte> into) const;

private:
    FileRange() = default;
    void Close();

#ifdef _WIN32
    void* m_handle = nullptr;
#else
    int m_fd = -1;
#endif
    std::uint64_t m_size = 0;
};

}  // namespace quenby::platform
