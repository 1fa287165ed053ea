#pragma once

#include <cstddef>

namespace quenby {

// How many folders a run may hold open at once for later use (folders whose
// files wait for their details, day folders it copies into): at most 64,
// fewer when the system allows this process few open files, leaving room for
// the files each step opens and the helper threads' listings.
std::size_t OpenFolderBudget();

}  // namespace quenby
