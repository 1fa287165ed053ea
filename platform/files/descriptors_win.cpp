#include "platform/files/descriptors.h"

namespace quenby::platform {

// Windows sets no small limit on the handles of a process.
std::size_t SpareFileDescriptors() {
    return 1U << 16;
}

}  // namespace quenby::platform
