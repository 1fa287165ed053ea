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
