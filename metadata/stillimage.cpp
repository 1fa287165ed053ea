#include <cstring>

#include "metadata/exifdate.h"
#include "metadata/formats.h"

namespace quenby {
namespace {

// Enough for every segment or chunk a real file puts before its metadata.
constexpr int kMaxPieces = 1000;

bool Spells(const std::byte* bytes, const char* text, std::size_t length) {
    return bytes != nullptr && std::memcmp(bytes, text, length) == 0;
}

}  // namespace

std::optional<DateTimeValue> ReadJpegDate(ByteWindow& bytes) {
    constexpr std::byte kMarker{0xFF};
    std::uint64_t at = 2;  // after the start-of-image marker
    for (int piece = 0; piece < kMaxPieces; ++piece) {
        const std::byte* head = bytes.Get(at, 4);
        if (head == nullptr || head[0] != kMarker) {
            return std::nullopt;
        }
        const auto marker = std::to_integer<unsigned>(head[1]);
        if (marker == 0xFF) {  // fill byte
            ++at;
            continue;
        }
        if (marker == 0x01 || marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7)) {
            at += 2;  // markers without a length
            continue;
        }
        if (marker == 0xDA || marker == 0xD9) {  // image data, or its end: no metadata after it
            return std::nullopt;
        }
        const std::uint64_t length =
            std::to_integer<unsigned>(head[2]) << 8 | std::to_integer<unsigned>(head[3]);
        if (length < 2) {
            return std::nullopt;
        }
        constexpr std::uint64_t kExifHeader = 6;  // "Exif\0\0"
        if (marker == 0xE1 && length >= 2 + kExifHeader &&
            Spells(bytes.Get(at + 4, kExifHeader), "Exif\0\0", kExifHeader)) {
            if (const auto date =
                    ReadExifDate(bytes, at + 4 + kExifHeader, length - 2 - kExifHeader)) {
                return date;
            }
        }
        at += 2 + length;
    }
    return std::nullopt;
}

std::optional<DateTimeValue> ReadPngDate(ByteWindow& bytes) {
    std::uint64_t at = 8;  // after the signature
    for (int piece = 0; piece < kMaxPieces; ++piece) {
        const std::optional<std::uint32_t> length = bytes.U32(at, ByteOrder::Big);
        const std::optional<std::uint32_t> type = bytes.U32(at + 4, ByteOrder::Big);
        if (!length || !type || *type == FourCC("IEND") ||
            std::uint64_t{12} + *length > bytes.Size() - at) {
            return std::nullopt;
        }
        if (*type == FourCC("eXIf")) {
            // Some writers keep the JPEG segment's "Exif\0\0" in front.
            const bool prefixed = *length >= 6 && Spells(bytes.Get(at + 8, 6), "Exif\0\0", 6);
            const std::uint64_t skip = prefixed ? 6 : 0;
            return ReadExifDate(bytes, at + 8 + skip, *length - skip);
        }
        at += std::uint64_t{12} + *length;
    }
    return std::nullopt;
}

}  // namespace quenby
