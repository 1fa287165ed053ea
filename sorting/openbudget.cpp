#include "sorting/openbudget.h"

#include <algorithm>

#include "platform/files/descriptors.h"

namespace quenby {

std::size_t OpenFolderBudget() {
    constexpr std::size_t kMostHeld = 64;
    // A copy holds its source, its new file and a trial of its name; each
    // helper thread a listing; a verified copy reads both again.
    constexpr std::size_t kKeptFree = 24;
    const std::size_t spare = platform::SpareFileDescriptors();
    return std::clamp<std::size_t>(spare > kKeptFree ? spare - kKeptFree : 1, 1, kMostHeld);
}

}  // namespace quenby
