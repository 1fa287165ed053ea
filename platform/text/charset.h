#pragma once

#include <string>
#include <string_view>

namespace quenby::platform {

// The character set of the user's locale (the environment's LC_ALL, LC_CTYPE,
// LANG), read without changing the locale of the process; "UTF-8" in most
// setups, "ANSI_X3.4-1968" for the plain C locale.
std::string LocaleCharset();

// True for the names under which the C library knows UTF-8.
bool IsUtf8Charset(std::string_view charset);

// Text in `charset` to UTF-8. A byte that does not decode is kept as it is,
// so reading and writing back in the same set gives the same bytes.
std::string DecodeCharset(std::string_view bytes, const std::string& charset);

// UTF-8 to `charset`. A character the set cannot represent becomes "?" and
// sets `lossy`; a byte that is not valid UTF-8 is passed through unchanged
// (it came in that way). An unknown set is treated as ASCII.
std::string EncodeCharset(std::string_view text, const std::string& charset, bool& lossy);

}  // namespace quenby::platform
