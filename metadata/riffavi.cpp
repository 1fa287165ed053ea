#include <algorithm>
#include <string_view>

#include "metadata/formats.h"
#include "metadata/stamptext.h"

namespace quenby {
namespace {

constexpr int kMaxChunks = 4096;
constexpr std::size_t kMaxStampLength = 64;

// Walks the chunks in [from, to): the IDIT chunk holds the date text; the
// header list may hold it too, the frames' list never does.
std::optional<DateTimeValue> FindIdit(ByteWindow& bytes, std::uint64_t from, std::uint64_t to,
                                      int depth) {
    for (int count = 0; count < kMaxChunks && from < to && to - from >= 8; ++count) {
        const std::optional<std::uint32_t> id = bytes.U32(from, ByteOrder::Big);
        const std::optional<std::uint32_t> size = bytes.U32(from + 4, ByteOrder::Little);
        if (!id || !size) {
            return std::nullopt;
        }
        const std::uint64_t body = from + 8;
        // Recording cameras may stop before the sizes are written: what lies
        // past the end simply is not there.
        const std::uint64_t end = std::min<std::uint64_t>(body + *size, to);
        if (*id == FourCC("IDIT") && end > body) {
            const std::size_t length =
                static_cast<std::size_t>(std::min<std::uint64_t>(end - body, kMaxStampLength));
            const std::byte* text = bytes.Get(body, length);
            if (text == nullptr) {
                return std::nullopt;
            }
            std::string_view stamp(reinterpret_cast<const char*>(text), length);
            stamp = stamp.substr(0, stamp.find('\0'));
            const auto fields = ParseStampText(stamp);
            return fields ? PlausibleStamp(*fields, kEarliestVideoYear) : std::nullopt;
        }
        if (*id == FourCC("LIST") && depth < 2 && bytes.Is(body, "hdrl")) {
            if (const auto date = FindIdit(bytes, body + 4, end, depth + 1)) {
                return date;
            }
        }
        from = body + *size + (*size & 1U);  // chunks are padded to an even length
    }
    return std::nullopt;
}

}  // namespace

std::optional<DateTimeValue> ReadAviDate(ByteWindow& bytes) {
    const std::optional<std::uint32_t> size = bytes.U32(4, ByteOrder::Little);
    if (!size) {
        return std::nullopt;
    }
    return FindIdit(bytes, 12, std::min<std::uint64_t>(std::uint64_t{8} + *size, bytes.Size()), 0);
}

}  // namespace quenby
