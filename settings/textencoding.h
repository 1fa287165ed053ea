#pragma once

#include <string>
#include <string_view>

namespace quenby {

enum class TextEncoding { None, Ansi, Utf8, Utf16LE, Utf16BE };

// UTF-16 to UTF-8. Pairs become one character; a lone surrogate of
// U+DC80..U+DCFF stands for the raw byte 0x80..0xFF (what EncodeUtf16 makes
// of a byte that is not UTF-8), any other lone surrogate becomes U+FFFD. A
// last odd byte is dropped.
std::string DecodeUtf16(std::string_view bytes, bool bigEndian);

// UTF-8 to UTF-16. A byte that is not part of valid UTF-8 is written as the
// lone surrogate U+DC00 + byte, so it comes back unchanged.
std::string EncodeUtf16(std::string_view text, bool bigEndian);

}  // namespace quenby
