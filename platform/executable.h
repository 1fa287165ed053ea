#pragma once

#include <string>

namespace quenby::platform {

// Full path of the running executable as the system reports it; empty when
// it cannot be determined.
std::string ExecutablePath();

}  // namespace quenby::platform
