#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "settings/textencoding.h"

namespace quenby {

// Typed reads and writes on top of the string read and write of a derived
// class. Integers are 32-bit decimal, Booleans "1"/"0", floating-point
// numbers in the general format with the process's decimal separator.
class TCustomIniFile {
public:
    explicit TCustomIniFile(std::string fileName) : m_fileName(std::move(fileName)) {}
    TCustomIniFile(const TCustomIniFile&) = delete;
    TCustomIniFile& operator=(const TCustomIniFile&) = delete;
    virtual ~TCustomIniFile() = default;

    const std::string& FileName() const { return m_fileName; }

    virtual std::string ReadString(std::string_view section, std::string_view ident,
                                   const std::string& defaultValue) const = 0;
    virtual void WriteString(std::string_view section, std::string_view ident,
                             std::string_view value) = 0;
    virtual void UpdateFile() = 0;

    std::int32_t ReadInteger(std::string_view section, std::string_view ident,
                             std::int32_t defaultValue) const;
    bool ReadBool(std::string_view section, std::string_view ident, bool defaultValue) const;
    double ReadFloat(std::string_view section, std::string_view ident, double defaultValue) const;

    void WriteInteger(std::string_view section, std::string_view ident, std::int32_t value);
    void WriteBool(std::string_view section, std::string_view ident, bool value);
    void WriteFloat(std::string_view section, std::string_view ident, double value);

private:
    std::string m_fileName;
};

// No settings file of the program comes near this; a larger one is refused
// rather than parsed for minutes into gigabytes of memory.
inline constexpr std::uint64_t kMaxSettingsFileBytes = 16 * 1024 * 1024;
inline constexpr const char* kSettingsFileTooLarge = "The file is larger than 16 MB.";

// The whole settings file in memory. Reading parses the file once; writes
// change only the memory until UpdateFile replaces the file in one step.
// Section and key names match in any letter case; where a name occurs twice
// the last occurrence is the one found, and the others are kept as they are.
class TMemIniFile : public TCustomIniFile {
public:
    // Reads the file when it exists (an empty name gives an empty model).
    // Throws FileOpenError when the file is there but cannot be read or is
    // larger than kMaxSettingsFileBytes. Text
    // without a byte-order mark is in the locale's character set.
    explicit TMemIniFile(const std::string& fileName);
    // The same with a given character set for text without a mark.
    TMemIniFile(const std::string& fileName, std::string ansiCharset);

    std::string ReadString(std::string_view section, std::string_view ident,
                           const std::string& defaultValue) const override;
    // A line break or NUL in the section, key or value is written as "?",
    // so that no value can end its line early.
    void WriteString(std::string_view section, std::string_view ident,
                     std::string_view value) override;

    // Writes the whole model. Throws FileCreateError when the file cannot be
    // created and StreamWriteError when not all bytes reach it; either way
    // the previous file stays as it was.
    void UpdateFile() override;

    // The entries of a section (the last of that name) as name and value,
    // in file order; lines without "=" are left out.
    std::vector<std::pair<std::string, std::string>> ReadSectionValues(
        std::string_view section) const;

    // Replaces the model by the parsed bytes, the encoding taken from the mark.
    void LoadFromBytes(std::string_view bytes);
    // The bytes UpdateFile writes, and the encoding they are in.
    std::string SaveToBytes(TextEncoding& encoding) const;

    TextEncoding Encoding() const { return m_encoding; }

private:
    struct Section {
        std::string Name;
        std::u32string FoldedName;
        std::vector<std::string> Lines;
    };

    const Section* FindSection(std::string_view name) const;
    Section* FindSection(std::string_view name);
    static std::ptrdiff_t FindEntry(const Section& section, std::string_view ident);

    std::vector<Section> m_sections;
    TextEncoding m_encoding = TextEncoding::None;
    std::string m_ansiCharset;
};

}  // namespace quenby
