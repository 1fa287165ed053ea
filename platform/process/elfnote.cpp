#include <cstring>
#include <string_view>
#include <vector>

#include "platform/process/versioninfo.h"

namespace quenby::platform {
namespace {

constexpr std::uint32_t kSectionNote = 7;
// Bounds against crafted headers: no real executable comes near them.
constexpr std::uint64_t kMaxSections = 1u << 16;
constexpr std::uint64_t kMaxNoteSection = 1u << 20;

class Fields {
public:
    explicit Fields(bool bigEndian) : m_big(bigEndian) {}

    std::uint64_t Read(const unsigned char* p, std::size_t width) const {
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < width; ++i) {
            const std::size_t index = m_big ? i : width - 1 - i;
            value = (value << 8) | p[index];
        }
        return value;
    }

private:
    bool m_big;
};

std::uint64_t AlignUp(std::uint64_t value, std::uint64_t alignment) {
    return (value + alignment - 1) / alignment * alignment;
}

}  // namespace

VersionInfoStatus FindVersionNote(const ImageReader& read, FileVersionWords& words) {
    unsigned char ident[16];
    if (!read(0, sizeof ident, ident) || std::memcmp(ident,
                                                     "\x7f"
                                                     "ELF",
                                                     4) != 0) {
        return VersionInfoStatus::Missing;
    }
    const bool wide = ident[4] == 2;
    if ((ident[4] != 1 && ident[4] != 2) || (ident[5] != 1 && ident[5] != 2)) {
        return VersionInfoStatus::Missing;
    }
    const Fields fields(ident[5] == 2);
    const std::size_t word = wide ? 8 : 4;

    // Section header table: offset, entry size, count.
    unsigned char header[64];
    const std::size_t headerSize = wide ? 64 : 52;
    if (!read(0, headerSize, header)) {
        return VersionInfoStatus::Missing;
    }
    const std::size_t shoffAt = wide ? 40 : 32;
    const std::uint64_t shoff = fields.Read(header + shoffAt, word);
    const std::uint64_t shentsize = fields.Read(header + shoffAt + word + 10, 2);
    std::uint64_t shnum = fields.Read(header + shoffAt + word + 12, 2);
    const std::size_t minimumEntry = wide ? 64 : 40;
    if (shoff == 0 || shentsize < minimumEntry || shentsize > 4096) {
        return VersionInfoStatus::Missing;
    }

    std::vector<unsigned char> entry(shentsize);
    const std::size_t typeAt = 4;
    const std::size_t offsetAt = wide ? 24 : 16;
    const std::size_t sizeAt = wide ? 32 : 20;
    const std::size_t alignAt = wide ? 48 : 32;
    if (shnum == 0) {
        // Many sections: the real count stands in the first entry's size.
        if (!read(shoff, entry.size(), entry.data())) {
            return VersionInfoStatus::Missing;
        }
        shnum = fields.Read(entry.data() + sizeAt, word);
    }
    if (shnum > kMaxSections) {
        return VersionInfoStatus::Missing;
    }

    bool present = false;
    for (std::uint64_t index = 0; index < shnum; ++index) {
        if (!read(shoff + index * shentsize, entry.size(), entry.data())) {
            break;
        }
        if (fields.Read(entry.data() + typeAt, 4) != kSectionNote) {
            continue;
        }
        const std::uint64_t offset = fields.Read(entry.data() + offsetAt, word);
        const std::uint64_t size = fields.Read(entry.data() + sizeAt, word);
        const std::uint64_t alignment = fields.Read(entry.data() + alignAt, word) == 8 ? 8 : 4;
        if (size == 0 || size > kMaxNoteSection) {
            continue;
        }
        std::vector<unsigned char> notes(size);
        if (!read(offset, notes.size(), notes.data())) {
            // Cut short: whatever the file still holds of the section.
            continue;
        }
        std::uint64_t at = 0;
        while (at + 12 <= size) {
            const std::uint64_t nameSize = fields.Read(notes.data() + at, 4);
            const std::uint64_t descSize = fields.Read(notes.data() + at + 4, 4);
            const std::uint64_t type = fields.Read(notes.data() + at + 8, 4);
            const std::uint64_t nameAt = at + 12;
            if (nameSize > size - nameAt) {
                break;
            }
            const std::uint64_t descAt = AlignUp(nameAt + nameSize, alignment);
            const std::string_view name(reinterpret_cast<const char*>(notes.data() + nameAt),
                                        nameSize);
            if (type == kVersionNoteType &&
                name == std::string_view(kVersionNoteName, sizeof kVersionNoteName)) {
                present = true;
                if (descAt <= size && descSize >= 12 && descSize <= size - descAt &&
                    fields.Read(notes.data() + descAt, 4) == kVersionSignature) {
                    words.MostSignificant =
                        static_cast<std::uint32_t>(fields.Read(notes.data() + descAt + 4, 4));
                    words.LeastSignificant =
                        static_cast<std::uint32_t>(fields.Read(notes.data() + descAt + 8, 4));
                    return VersionInfoStatus::Found;
                }
            }
            if (descAt > size || descSize > size - descAt) {
                break;
            }
            at = AlignUp(descAt + descSize, alignment);
        }
    }
    return present ? VersionInfoStatus::RecordUnreadable : VersionInfoStatus::Missing;
}

}  // namespace quenby::platform
