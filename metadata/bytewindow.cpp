#include "metadata/bytewindow.h"

#include <algorithm>
#include <cstring>

namespace quenby {

std::size_t MemoryBytes::Read(std::uint64_t offset, std::span<std::byte> into) const {
    if (offset >= m_bytes.size()) {
        return 0;
    }
    const std::size_t count =
        std::min<std::size_t>(into.size(), m_bytes.size() - static_cast<std::size_t>(offset));
    std::memcpy(into.data(), m_bytes.data() + offset, count);
    return count;
}

std::uint64_t ByteWindow::Size() {
    if (!m_size) {
        m_size = m_source.Size();
    }
    return *m_size;
}

const std::byte* ByteWindow::Get(std::uint64_t offset, std::size_t length) {
    if (length > kMaxSpan || offset > UINT64_MAX - kWindowSize) {
        return nullptr;
    }
    if (offset >= m_start && offset - m_start + length <= m_filled) {
        return m_window.data() + (offset - m_start);
    }
    if (m_refills >= kMaxRefills) {
        return nullptr;
    }
    ++m_refills;
    // A little before the piece too: values often sit just before the
    // table that points at them.
    m_start = offset & ~std::uint64_t{511};
    // Most photos keep their dates in the first kilobytes; a smaller first
    // read is measurably cheaper for the many that do.
    std::size_t want = m_refills == 1 ? kFirstReadSize : kWindowSize;
    if (offset - m_start + length > want) {
        want = kWindowSize;
    }
    m_filled = m_source.Read(m_start, std::span(m_window).first(want));
    if (offset - m_start + length > m_filled) {
        m_filled = 0;
        return nullptr;
    }
    return m_window.data() + (offset - m_start);
}

template <typename Number>
std::optional<Number> ByteWindow::Read(std::uint64_t offset, ByteOrder order) {
    const std::byte* p = Get(offset, sizeof(Number));
    if (p == nullptr) {
        return std::nullopt;
    }
    Number value = 0;
    for (std::size_t i = 0; i < sizeof(Number); ++i) {
        const std::size_t at = order == ByteOrder::Big ? i : sizeof(Number) - 1 - i;
        value = static_cast<Number>(value << 8 | std::to_integer<Number>(p[at]));
    }
    return value;
}

std::optional<std::uint16_t> ByteWindow::U16(std::uint64_t offset, ByteOrder order) {
    return Read<std::uint16_t>(offset, order);
}

std::optional<std::uint32_t> ByteWindow::U32(std::uint64_t offset, ByteOrder order) {
    return Read<std::uint32_t>(offset, order);
}

std::optional<std::uint64_t> ByteWindow::U64(std::uint64_t offset, ByteOrder order) {
    return Read<std::uint64_t>(offset, order);
}

bool ByteWindow::Is(std::uint64_t offset, const char (&tag)[5]) {
    const std::optional<std::uint32_t> value = U32(offset, ByteOrder::Big);
    return value && *value == FourCC(tag);
}

}  // namespace quenby
