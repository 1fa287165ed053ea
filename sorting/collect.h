#pragma once

#include <functional>
#include <string>
#include <vector>

#include "sorting/sortrun.h"

namespace quenby {

// Finds every file below the options' source folders that matches one of
// `patterns`, in the order of one walk per source folder and pattern, and
// gives each its date. A folder that cannot be read is a failed problem.
// Once `stop` is set, no further folder or file is read, and what is found
// is cut short.
//
// The files' details (their times, or their capture dates) are read on
// `helpers` threads besides the caller's while the walk lists the folders
// that follow, because one look-up per file is most of a run that finds its
// copies already made, and more so on a drive that answers slowly. 0 reads
// everything on the caller's thread.
//
// `onFound`, when given, runs for each record once its date is known, on
// whichever thread read its details.
using FoundHook = std::function<void(Suchrecord& record)>;
FoundFiles CollectFoundFiles(const SortOptions& options, const std::vector<std::string>& patterns,
                             const ProblemCallback& problems, const StopRequest* stop,
                             unsigned helpers, const FoundHook& onFound = {});

}  // namespace quenby
