#pragma once

#include <string>

namespace quenby::platform {

// Full path of the running executable as the system reports it; empty when
// it cannot be determined.
std::string ExecutablePath();

// Whether an executable's file name ends in an extension that is not part of
// the program's name (".exe" on Windows). Elsewhere "quenby.v2" is a name of
// its own.
#ifdef _WIN32
inline constexpr bool kExecutableNamesCarryExtension = true;
#else
inline constexpr bool kExecutableNamesCarryExtension = false;
#endif

}  // namespace quenby::platform
