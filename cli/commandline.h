#pragma once

#include <optional>
#include <string>
#include <vector>

#include "sorting/sortrun.h"

namespace quenby::cli {

struct CommandLine {
    SortOptions Options;
    bool Quiet = false;
    // Instead of a run: the memory of imported photos forgets the target.
    bool ForgetImported = false;
};

// What parsing the arguments came to: a run to make, or an exit code with
// the text to print first (help and version on stdout, errors on stderr).
struct ParseOutcome {
    std::optional<CommandLine> Run;
    int ExitCode = 0;
    std::string Output;
    std::string Error;
};

inline constexpr int kExitUsage = 2;

ParseOutcome ParseCommandLine(const std::vector<std::string>& arguments);

}  // namespace quenby::cli
