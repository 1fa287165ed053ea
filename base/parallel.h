#pragma once

#include <cstddef>
#include <functional>

namespace quenby {

// One helper thread per processor, a few at most, and one even on a single
// processor: the work they share is mostly asking file systems, whose
// answers come sooner when the next question is already waiting, and the
// caller's thread often waits itself. More than a few only crowd.
unsigned DefaultHelperThreads();

// Runs task(0) .. task(count - 1), each once, on the caller's thread and up
// to `helpers` more, in no particular order; returns when all are done. The
// first failure a task throws is thrown here once every thread has stopped;
// tasks not yet begun by then are skipped.
void RunInParallel(std::size_t count, unsigned helpers,
                   const std::function<void(std::size_t index)>& task);

}  // namespace quenby
