#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace quenby::platform {

// Read-only access to byte ranges of one file, for looking at its metadata.
// Neither opening nor reading ever waits (a pipe named like a photo yields
// nothing), and reading leaves the file and its times as they were: no
// access-time update where the system lets us say so.
class FileRange {
public:
    // Empty when the path cannot be opened for reading; then `failure`, when
    // given, says why, unless there is simply nothing of that name.
    static std::optional<FileRange> Open(const std::string& path, std::string* failure = nullptr);

    FileRange(FileRange&& other) noexcept;
    FileRange& operator=(FileRange&& other) noexcept;
    FileRange(const FileRange&) = delete;
    FileRange& operator=(const FileRange&) = delete;
    ~FileRange();

    // The file's size, asked for only when needed: a photo whose metadata
    // sits at its start is read without it. Empty when it is no regular file.
    std::optional<std::uint64_t> Size() const;

    // Fills `into` from `offset` on; returns how many bytes arrived, fewer at
    // the end of the file and 0 on a read error (a pipe cannot be read at an
    // offset, so it always gives 0).
    std::size_t Read(std::uint64_t offset, std::span<std::byte> into) const;

    // Why a read failed, once one did (an I/O error of a failing card): a
    // file that could not be read is not a file without metadata. Empty
    // while every read succeeded.
    const std::string& ReadFailure() const { return m_readFailure; }

private:
    FileRange() = default;
    void Close();

#ifdef _WIN32
    void* m_handle = nullptr;
#else
    int m_fd = -1;
#endif
    mutable bool m_sizeAsked = false;
    mutable std::optional<std::uint64_t> m_size;
    mutable std::string m_readFailure;
};

}  // namespace quenby::platform
