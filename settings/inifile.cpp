#include "settings/inifile.h"

#include "base/stringtable.h"
#include "platform/files/wholefile.h"
#include "platform/text/casefold.h"
#include "platform/text/charset.h"
#include "platform/text/utf8.h"
#include "settings/errors.h"
#include "settings/numbersettings.h"
#include "settings/numbertext.h"

namespace quenby {
namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LEMark = "\xFF\xFE";
constexpr std::string_view kUtf16BEMark = "\xFE\xFF";

std::u32string Fold(std::string_view name) {
    std::u32string folded = platform::DecodeUtf8Lossless(name);
    for (char32_t& c : folded) {
        c = platform::SimpleCaseFold(c);
    }
    return folded;
}

bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= 0x20;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// A line break or NUL inside a name or value would end its line when the
// file is read again: the rest would turn into lines of its own (a folder
// named "a\n[Quenbyform]\ndeletesource=1" could switch on deleting), or,
// after a NUL, everything that follows would be lost. Such characters,
// which no setting of the program holds, are written as "?".
std::string OneLine(std::string_view text) {
    std::string line(text);
    for (char& c : line) {
        if (c == '\r' || c == '\n' || c == '\0') {
            c = '?';
        }
    }
    return line;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

}  // namespace

std::int32_t TCustomIniFile::ReadInteger(std::string_view section, std::string_view ident,
                                         std::int32_t defaultValue) const {
    std::int32_t value = 0;
    return TextToInteger(ReadString(section, ident, std::string()), value) ? value : defaultValue;
}

bool TCustomIniFile::ReadBool(std::string_view section, std::string_view ident,
                              bool defaultValue) const {
    return ReadInteger(section, ident, defaultValue ? 1 : 0) != 0;
}

double TCustomIniFile::ReadFloat(std::string_view section, std::string_view ident,
                                 double defaultValue) const {
    const std::string text = ReadString(section, ident, std::string());
    double value = 0;
    if (text.empty() || !TextToFloat(text, NumberSettings().DecimalSeparator, value)) {
        return defaultValue;
    }
    return value;
}

void TCustomIniFile::WriteInteger(std::string_view section, std::string_view ident,
                                  std::int32_t value) {
    WriteString(section, ident, std::to_string(value));
}

void TCustomIniFile::WriteBool(std::string_view section, std::string_view ident, bool value) {
    WriteString(section, ident, value ? "1" : "0");
}

void TCustomIniFile::WriteFloat(std::string_view section, std::string_view ident, double value) {
    WriteString(section, ident, FloatToText(value, NumberSettings().DecimalSeparator));
}

TMemIniFile::TMemIniFile(const std::string& fileName)
    : TMemIniFile(fileName, platform::LocaleCharset()) {}

TMemIniFile::TMemIniFile(const std::string& fileName, std::string ansiCharset)
    : TCustomIniFile(fileName), m_ansiCharset(std::move(ansiCharset)) {
    if (fileName.empty()) {
        return;
    }
    std::string bytes;
    std::string reason;
    switch (platform::ReadWholeFile(fileName, bytes, reason, kMaxSettingsFileBytes)) {
        case platform::ReadOutcome::Missing:
            return;
        case platform::ReadOutcome::TooLarge:
            reason = kSettingsFileTooLarge;
            [[fallthrough]];
        case platform::ReadOutcome::Failed:
            throw FileOpenError(
                FormatText("Datei %s kann nicht geöffnet werden. %s", {fileName, reason}));
        case platform::ReadOutcome::Read:
            LoadFromBytes(bytes);
            return;
    }
}

void TMemIniFile::LoadFromBytes(std::string_view bytes) {
    std::string text;
    if (StartsWith(bytes, kUtf8Mark)) {
        m_encoding = TextEncoding::Utf8;
        text = bytes.substr(kUtf8Mark.size());
    } else if (StartsWith(bytes, kUtf16LEMark)) {
        m_encoding = TextEncoding::Utf16LE;
        text = DecodeUtf16(bytes.substr(kUtf16LEMark.size()), false);
    } else if (StartsWith(bytes, kUtf16BEMark)) {
        m_encoding = TextEncoding::Utf16BE;
        text = DecodeUtf16(bytes.substr(kUtf16BEMark.size()), true);
    } else {
        m_encoding = TextEncoding::Ansi;
        text = platform::DecodeCharset(bytes, m_ansiCharset);
    }
    // The text ends at a NUL character.
    const std::size_t nul = text.find('\0');
    if (nul != std::string::npos) {
        text.resize(nul);
    }

    m_sections.clear();
    Section* current = nullptr;
    std::string_view rest = text;
    while (!rest.empty()) {
        const std::size_t end = rest.find_first_of("\r\n");
        std::string_view line = rest.substr(0, end);
        if (end == std::string_view::npos) {
            rest = {};
        } else {
            const std::size_t next =
                rest[end] == '\r' && end + 1 < rest.size() && rest[end + 1] == '\n' ? end + 2
                                                                                    : end + 1;
            rest.remove_prefix(next);
        }
        line = Trim(line);
        if (line.empty() || line.front() == ';') {
            continue;
        }
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            const std::string_view name = Trim(line.substr(1, line.size() - 2));
            m_sections.push_back(Section{std::string(name), Fold(name), {}});
            current = &m_sections.back();
            continue;
        }
        if (current == nullptr) {
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            current->Lines.emplace_back(line);
        } else {
            std::string entry(Trim(line.substr(0, equals)));
            entry.push_back('=');
            entry += Trim(line.substr(equals + 1));
            current->Lines.push_back(std::move(entry));
        }
    }
}

const TMemIniFile::Section* TMemIniFile::FindSection(std::string_view name) const {
    const std::u32string folded = Fold(name);
    for (auto it = m_sections.rbegin(); it != m_sections.rend(); ++it) {
        if (it->FoldedName == folded) {
            return &*it;
        }
    }
    return nullptr;
}

TMemIniFile::Section* TMemIniFile::FindSection(std::string_view name) {
    return const_cast<Section*>(std::as_const(*this).FindSection(name));
}

std::ptrdiff_t TMemIniFile::FindEntry(const Section& section, std::string_view ident) {
    const std::u32string folded = Fold(ident);
    for (std::size_t i = section.Lines.size(); i > 0; --i) {
        const std::string& line = section.Lines[i - 1];
        const std::size_t equals = line.find('=');
        if (equals != std::string::npos &&
            Fold(std::string_view(line).substr(0, equals)) == folded) {
            return static_cast<std::ptrdiff_t>(i - 1);
        }
    }
    return -1;
}

std::string TMemIniFile::ReadString(std::string_view section, std::string_view ident,
                                    const std::string& defaultValue) const {
    const Section* found = FindSection(section);
    if (found == nullptr) {
        return defaultValue;
    }
    const std::ptrdiff_t index = FindEntry(*found, ident);
    if (index < 0) {
        return defaultValue;
    }
    const std::string& line = found->Lines[static_cast<std::size_t>(index)];
    return line.substr(line.find('=') + 1);
}

void TMemIniFile::WriteString(std::string_view sectionName, std::string_view identName,
                              std::string_view value) {
    const std::string section = OneLine(sectionName);
    const std::string ident = OneLine(identName);
    Section* found = FindSection(section);
    if (found == nullptr) {
        m_sections.push_back(Section{section, Fold(section), {}});
        found = &m_sections.back();
    }
    std::string entry = ident;
    entry.push_back('=');
    entry += OneLine(value);
    const std::ptrdiff_t index = FindEntry(*found, ident);
    if (index < 0) {
        found->Lines.push_back(std::move(entry));
    } else {
        found->Lines[static_cast<std::size_t>(index)] = std::move(entry);
    }
}

std::vector<std::pair<std::string, std::string>> TMemIniFile::ReadSectionValues(
    std::string_view section) const {
    std::vector<std::pair<std::string, std::string>> values;
    const Section* found = FindSection(section);
    if (found == nullptr) {
        return values;
    }
    for (const std::string& line : found->Lines) {
        const std::size_t equals = line.find('=');
        if (equals != std::string::npos) {
            values.emplace_back(line.substr(0, equals), line.substr(equals + 1));
        }
    }
    return values;
}

std::string TMemIniFile::SaveToBytes(TextEncoding& encoding) const {
    std::string text;
    for (const Section& section : m_sections) {
        text += "[" + section.Name + "]\r\n";
        for (const std::string& line : section.Lines) {
            text += line;
            text += "\r\n";
        }
        text += "\r\n";
    }
    encoding = m_encoding;
    switch (m_encoding) {
        case TextEncoding::None:
        case TextEncoding::Ansi: {
            bool lossy = false;
            std::string bytes = platform::EncodeCharset(text, m_ansiCharset, lossy);
            if (!lossy) {
                encoding = TextEncoding::Ansi;
                return bytes;
            }
            // The character set cannot hold every character (a folder name
            // in another script, say): UTF-8 keeps them all.
            encoding = TextEncoding::Utf8;
            return std::string(kUtf8Mark) + text;
        }
        case TextEncoding::Utf8:
            return std::string(kUtf8Mark) + text;
        case TextEncoding::Utf16LE:
            return std::string(kUtf16LEMark) + EncodeUtf16(text, false);
        case TextEncoding::Utf16BE:
            return std::string(kUtf16BEMark) + EncodeUtf16(text, true);
    }
    return text;
}

void TMemIniFile::UpdateFile() {
    TextEncoding encoding = TextEncoding::None;
    const std::string bytes = SaveToBytes(encoding);
    std::string reason;
    switch (platform::ReplaceWholeFile(FileName(), bytes, reason)) {
        case platform::ReplaceOutcome::Replaced:
            m_encoding = encoding;
            return;
        case platform::ReplaceOutcome::CreateFailed:
            throw FileCreateError(
                FormatText("Datei \"%s\" kann nicht erstellt werden. %s", {FileName(), reason}));
        case platform::ReplaceOutcome::WriteFailed:
            throw StreamWriteError("Stream-Schreibfehler");
    }
}

}  // namespace quenby
