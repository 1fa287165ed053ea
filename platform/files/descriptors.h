#pragma once

#include <cstddef>

namespace quenby::platform {

// How many more files and folders this process may hold open at once before
// the system refuses (a `ulimit -n 64` shell, say), counting those open now.
std::size_t SpareFileDescriptors();

}  // namespace quenby::platform
