#pragma once

#include <string>
#include <string_view>

namespace quenby::platform {

// Decodes UTF-8 into characters; each byte of an invalid sequence becomes a
// character of its own in U+DC80..U+DCFF, which no valid text produces, so
// file names that are not valid UTF-8 still compare exactly.
std::u32string DecodeUtf8Lossless(std::string_view text);

// A character as UTF-8.
std::string EncodeUtf8(char32_t c);

}  // namespace quenby::platform
