#pragma once

#include <cstddef>
#include <functional>

namespace quenby {

// As many helper threads as the machine has processors beside the caller's,
// a few at most: the work they share is mostly waiting on file systems,
// which more threads than that only crowd.
unsigned DefaultHelperThreads();

// Runs task(0) .. task(count - 1), each once, on the caller's thread and up
// to `helpers` more, in no particular order; returns when all are done. The
// first failure a task throws is thrown here once every thread has stopped;
// tasks not yet begun by then are skipped.
void RunInParallel(std::size_t count, unsigned helpers,
                   const std::function<void(std::size_t index)>& task);

}  // namespace quenby
