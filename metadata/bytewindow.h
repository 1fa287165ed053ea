#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace quenby {

// Random access to the bytes of one file, or of memory.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // 0 when the source has no size (it is no regular file).
    virtual std::uint64_t Size() const = 0;
    // Fills `into` from `offset`; returns how many bytes arrived.
    virtual std::size_t Read(std::uint64_t offset, std::span<std::byte> into) const = 0;
};

class MemoryBytes final : public ByteSource {
public:
    explicit MemoryBytes(std::span<const std::byte> bytes) : m_bytes(bytes) {}
    std::uint64_t Size() const override { return m_bytes.size(); }
    std::size_t Read(std::uint64_t offset, std::span<std::byte> into) const override;

private:
    std::span<const std::byte> m_bytes;
};

enum class ByteOrder : std::uint8_t { Little, Big };

// Serves the many small reads of a metadata walk from one window of the
// file, so a photo usually costs one read of the file. The number of
// refills is capped: a hostile file cannot keep the walk busy, it just
// yields nothing.
class ByteWindow {
public:
    static constexpr std::size_t kWindowSize = 4096;
    static constexpr std::size_t kFirstReadSize = 2048;
    static constexpr std::size_t kMaxSpan = 256;  // the longest piece asked for at once
    static constexpr int kMaxRefills = 64;

    explicit ByteWindow(const ByteSource& source) : m_source(source) {}

    // Asked of the source only when a walk needs it.
    std::uint64_t Size();

    // `length` (at most kMaxSpan) bytes at `offset`, valid until the next
    // call; nullptr when they are not all in the file or the reads are used up.
    const std::byte* Get(std::uint64_t offset, std::size_t length);

    std::optional<std::uint16_t> U16(std::uint64_t offset, ByteOrder order);
    std::optional<std::uint32_t> U32(std::uint64_t offset, ByteOrder order);
    std::optional<std::uint64_t> U64(std::uint64_t offset, ByteOrder order);
    // True when the four bytes at `offset` spell `tag`.
    bool Is(std::uint64_t offset, const char (&tag)[5]);

private:
    template <typename Number>
    std::optional<Number> Read(std::uint64_t offset, ByteOrder order);

    const ByteSource& m_source;
    std::optional<std::uint64_t> m_size;
    std::uint64_t m_start = 0;
    std::size_t m_filled = 0;
    int m_refills = 0;
    std::array<std::byte, kWindowSize> m_window;  // filled before it is read
};

// Big-endian four-character code, as boxes and chunks name themselves.
constexpr std::uint32_t FourCC(const char (&tag)[5]) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(tag[0])) << 24 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(tag[1])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(tag[2])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(tag[3]));
}

}  // namespace quenby
