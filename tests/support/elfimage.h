#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quenby::test {

// One note of an ELF note section.
struct ElfNote {
    std::string Name;  // without the NUL, which is added
    std::uint32_t Type = 0;
    std::vector<std::uint32_t> Descriptor;
};

// A minimal ELF file: header, one note section with the given notes, and the
// section header table (null entry plus the note section).
inline std::string MakeElfImage(const std::vector<ElfNote>& notes, bool wide = true,
                                bool bigEndian = false) {
    std::string image;
    auto put = [&](std::string& out, std::uint64_t value, std::size_t width) {
        for (std::size_t i = 0; i < width; ++i) {
            const std::size_t shift = bigEndian ? (width - 1 - i) * 8 : i * 8;
            out.push_back(static_cast<char>((value >> shift) & 0xFF));
        }
    };
    std::string section;
    for (const ElfNote& note : notes) {
        put(section, note.Name.size() + 1, 4);
        put(section, note.Descriptor.size() * 4, 4);
        put(section, note.Type, 4);
        section += note.Name;
        section.push_back('\0');
        while (section.size() % 4 != 0) {
            section.push_back('\0');
        }
        for (const std::uint32_t word : note.Descriptor) {
            put(section, word, 4);
        }
    }
    const std::size_t headerSize = wide ? 64 : 52;
    const std::size_t word = wide ? 8 : 4;
    const std::size_t entrySize = wide ? 64 : 40;
    const std::size_t sectionAt = headerSize;
    const std::size_t tableAt = (sectionAt + section.size() + 7) / 8 * 8;

    image = std::string(
        "\x7f"
        "ELF",
        4);
    image.push_back(wide ? 2 : 1);
    image.push_back(bigEndian ? 2 : 1);
    image.push_back(1);
    image.append(9, '\0');
    put(image, 2, 2);           // e_type: executable
    put(image, 62, 2);          // e_machine
    put(image, 1, 4);           // e_version
    put(image, 0, word);        // e_entry
    put(image, 0, word);        // e_phoff
    put(image, tableAt, word);  // e_shoff
    put(image, 0, 4);           // e_flags
    put(image, headerSize, 2);  // e_ehsize
    put(image, 0, 2);           // e_phentsize
    put(image, 0, 2);           // e_phnum
    put(image, entrySize, 2);   // e_shentsize
    put(image, 2, 2);           // e_shnum
    put(image, 0, 2);           // e_shstrndx
    image += section;
    image.resize(tableAt, '\0');
    image.append(entrySize, '\0');  // the null section
    std::string entry;
    put(entry, 0, 4);     // sh_name
    put(entry, 7, 4);     // sh_type: note
    put(entry, 2, word);  // sh_flags: alloc
    put(entry, 0, word);  // sh_addr
    put(entry, sectionAt, word);
    put(entry, section.size(), word);
    put(entry, 0, 4);     // sh_link
    put(entry, 0, 4);     // sh_info
    put(entry, 4, word);  // sh_addralign
    put(entry, 0, word);  // sh_entsize
    image += entry;
    return image;
}

inline ElfNote VersionNote(std::uint32_t major, std::uint32_t minor, std::uint32_t release,
                           std::uint32_t build) {
    return ElfNote{"Quenby", 1, {0xFEEF04BD, major << 16 | minor, release << 16 | build}};
}

}  // namespace quenby::test
