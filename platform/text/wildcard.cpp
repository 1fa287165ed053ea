#include "platform/text/wildcard.h"

#include "platform/text/casefold.h"
#include "platform/text/utf8.h"

namespace quenby::platform {
namespace {

bool IsAscii(std::string_view text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
}

// Greedy matching with a single backtrack point at the last "*": linear for
// the usual "*.jpg" and never exponential.
template <typename Char, typename Fold>
bool MatchFolded(std::basic_string_view<Char> pattern, std::basic_string_view<Char> name,
                 Fold fold) {
    std::size_t p = 0;
    std::size_t n = 0;
    std::size_t starPattern = std::basic_string_view<Char>::npos;
    std::size_t starName = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == Char('*')) {
            starPattern = p++;
            starName = n;
        } else if (p < pattern.size() && (pattern[p] == Char('?') || pattern[p] == fold(name[n]))) {
            ++p;
            ++n;
        } else if (starPattern != std::basic_string_view<Char>::npos) {
            p = starPattern + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == Char('*')) {
        ++p;
    }
    return p == pattern.size();
}

}  // namespace

WildcardPattern::WildcardPattern(std::string_view pattern)
    : m_text(pattern), m_matchesAll(pattern == "*" || pattern == "*.*"), m_empty(pattern.empty()) {
    m_isAscii = IsAscii(pattern);
    if (m_isAscii) {
        m_ascii.reserve(pattern.size());
        for (const char c : pattern) {
            m_ascii.push_back(AsciiLower(c));
        }
        m_endingOnly = m_ascii.size() > 1 && m_ascii.front() == '*' &&
                       m_ascii.find_first_of("*?", 1) == std::string::npos;
        if (m_endingOnly) {
            m_asciiEnding = m_ascii.substr(1);
        }
    }
    for (const char32_t c : DecodeUtf8Lossless(pattern)) {
        m_folded.push_back(c >= 0xDC80 && c <= 0xDCFF ? c : SimpleCaseFold(c));
    }
}

bool WildcardPattern::Matches(std::string_view name) const {
    if (m_matchesAll) {
        return true;
    }
    if (m_empty) {
        return false;
    }
    // Where the name's last bytes are ASCII they are its last characters,
    // and no character beyond ASCII can stand among them.
    if (m_endingOnly && name.size() >= m_asciiEnding.size() &&
        IsAscii(name.substr(name.size() - m_asciiEnding.size()))) {
        const std::string_view ending = name.substr(name.size() - m_asciiEnding.size());
        for (std::size_t i = 0; i < ending.size(); ++i) {
            if (AsciiLower(ending[i]) != m_asciiEnding[i]) {
                return false;
            }
        }
        return true;
    }
    if (m_isAscii && IsAscii(name)) {
        return MatchFolded<char>(m_ascii, name, AsciiLower);
    }
    std::u32string folded = DecodeUtf8Lossless(name);
    for (char32_t& c : folded) {
        if (c < 0xDC80 || c > 0xDCFF) {
            c = SimpleCaseFold(c);
        }
    }
    return MatchFolded<char32_t>(m_folded, folded, [](char32_t c) { return c; });
}

}  // namespace quenby::platform
