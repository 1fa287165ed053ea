#pragma once

#ifdef _WIN32

#include <string>
#include <string_view>

namespace quenby::platform {

// The core keeps UTF-8; the Windows API speaks UTF-16. These convert at that
// edge. Invalid sequences become U+FFFD rather than vanishing, so a broken
// name still shows where it was.
std::wstring ToWide(std::string_view text);
std::string FromWide(std::wstring_view text);

// The system's text for an error code, without the line break it ends with.
std::string WindowsErrorText(unsigned long code);

}  // namespace quenby::platform

#endif
