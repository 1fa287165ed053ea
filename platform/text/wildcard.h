#pragma once

#include <string>
#include <string_view>

namespace quenby::platform {

// A file-name pattern: "*" stands for any run of characters, "?" for exactly
// one character, and letters match without regard to case (also beyond
// ASCII). Every other character, "[" and "\" included, stands for itself.
// Names are UTF-8; a byte that is not part of valid UTF-8 matches only itself.
class WildcardPattern {
public:
    explicit WildcardPattern(std::string_view pattern);

    bool Matches(std::string_view name) const;
    bool Empty() const { return m_empty; }
    // The pattern as it was given.
    const std::string& Text() const { return m_text; }

private:
    std::string m_text;
    std::u32string m_folded;  // pattern as case-folded characters
    std::string m_ascii;      // the same, when the pattern is pure ASCII
    // "*" and a pure ASCII ending such as ".jpg", the mask's usual form,
    // folded: a name's last characters tell it at once.
    std::string m_asciiEnding;
    bool m_isAscii = true;
    bool m_endingOnly = false;
    bool m_matchesAll = false;
    bool m_empty = true;
};

}  // namespace quenby::platform
