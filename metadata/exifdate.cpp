#include "metadata/exifdate.h"

#include <algorithm>
#include <string_view>

#include "metadata/stamptext.h"

namespace quenby {
namespace {

constexpr std::uint16_t kExifIfdPointer = 0x8769;
constexpr std::uint16_t kDateTimeOriginal = 0x9003;
constexpr std::uint16_t kDateTimeDigitized = 0x9004;
// Real IFDs hold a few dozen entries; more is damage, not a photo.
constexpr std::uint16_t kMaxEntries = 1000;
constexpr std::size_t kMaxStampLength = 64;

struct IfdDates {
    std::optional<DateTimeValue> Original;
    std::optional<DateTimeValue> Digitized;
    std::optional<std::uint32_t> ExifIfd;
};

class TiffReader {
public:
    TiffReader(ByteWindow& bytes, std::uint64_t base, std::uint64_t length, ByteOrder order)
        : m_bytes(bytes), m_base(base), m_length(length), m_order(order) {}

    IfdDates ReadIfd(std::uint32_t offset) {
        IfdDates dates;
        const std::optional<std::uint16_t> count = U16(offset);
        if (!count || *count > kMaxEntries || offset + 2 + std::uint64_t{12} * *count > m_length) {
            return dates;
        }
        for (std::uint32_t i = 0; i < *count && !dates.Original; ++i) {
            const std::uint64_t entry = std::uint64_t{offset} + 2 + std::uint64_t{12} * i;
            const std::byte* fields = m_bytes.Get(m_base + entry, 2);
            if (fields == nullptr) {
                break;
            }
            const std::uint16_t tag = Decode16(fields);
            if (tag == kDateTimeOriginal && !dates.Original) {
                dates.Original = ReadStamp(entry);
            } else if (tag == kDateTimeDigitized && !dates.Digitized) {
                dates.Digitized = ReadStamp(entry);
            } else if (tag == kExifIfdPointer && !dates.ExifIfd) {
                dates.ExifIfd = U32(entry + 8);
            }
        }
        return dates;
    }

    std::optional<std::uint16_t> U16(std::uint64_t offset) {
        return offset + 2 <= m_length ? m_bytes.U16(m_base + offset, m_order) : std::nullopt;
    }
    std::optional<std::uint32_t> U32(std::uint64_t offset) {
        return offset + 4 <= m_length ? m_bytes.U32(m_base + offset, m_order) : std::nullopt;
    }

private:
    std::uint16_t Decode16(const std::byte* p) const {
        const auto b0 = std::to_integer<std::uint16_t>(p[0]);
        const auto b1 = std::to_integer<std::uint16_t>(p[1]);
        return static_cast<std::uint16_t>(m_order == ByteOrder::Big ? b0 << 8 | b1 : b1 << 8 | b0);
    }

    // An ASCII stamp; bytes of any one-byte type are read the same way,
    // since some writers store the text as UNDEFINED.
    std::optional<DateTimeValue> ReadStamp(std::uint64_t entry) {
        const std::optional<std::uint16_t> type = U16(entry + 2);
        const std::optional<std::uint32_t> count = U32(entry + 4);
        const std::optional<std::uint32_t> at = U32(entry + 8);
        if (!type || !count || !at || (*type != 1 && *type != 2 && *type != 7) || *count <= 4) {
            return std::nullopt;
        }
        const std::size_t length = std::min<std::size_t>(*count, kMaxStampLength);
        if (*at > m_length || length > m_length - *at) {
            return std::nullopt;
        }
        const std::byte* text = m_bytes.Get(m_base + *at, length);
        if (text == nullptr) {
            return std::nullopt;
        }
        std::string_view stamp(reinterpret_cast<const char*>(text), length);
        stamp = stamp.substr(0, stamp.find('\0'));
        const std::optional<platform::CalendarTime> fields = ParseStampText(stamp);
        return fields ? PlausibleStamp(*fields, 1) : std::nullopt;
    }

    ByteWindow& m_bytes;
    std::uint64_t m_base;
    std::uint64_t m_length;
    ByteOrder m_order;
};

}  // namespace

std::optional<DateTimeValue> ReadExifDate(ByteWindow& bytes, std::uint64_t base,
                                          std::uint64_t length) {
    if (length < 8) {
        return std::nullopt;
    }
    const std::byte* header = bytes.Get(base, 2);
    if (header == nullptr || header[0] != header[1] ||
        (header[0] != std::byte{'I'} && header[0] != std::byte{'M'})) {
        return std::nullopt;
    }
    const ByteOrder order = header[0] == std::byte{'I'} ? ByteOrder::Little : ByteOrder::Big;
    TiffReader tiff(bytes, base, length, order);
    // 42 is TIFF; the raw formats of some makers put their own mark there
    // (Olympus "RO" and "RS", Panasonic 0x55) and keep the rest.
    const std::optional<std::uint16_t> magic = tiff.U16(2);
    if (!magic || (*magic != 42 && *magic != 0x4F52 && *magic != 0x5352 && *magic != 0x55)) {
        return std::nullopt;
    }
    const std::optional<std::uint32_t> first = tiff.U32(4);
    if (!first) {
        return std::nullopt;
    }
    const IfdDates main = tiff.ReadIfd(*first);
    IfdDates exif;
    if (main.ExifIfd && *main.ExifIfd != *first) {
        exif = tiff.ReadIfd(*main.ExifIfd);
    }
    for (const std::optional<DateTimeValue>& date :
         {exif.Original, main.Original, exif.Digitized, main.Digitized}) {
        if (date) {
            return date;
        }
    }
    return std::nullopt;
}

}  // namespace quenby
