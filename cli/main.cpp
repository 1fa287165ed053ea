#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/stringtable.h"
#include "cli/commandline.h"
#include "cli/linewriter.h"
#include "cli/progressdisplay.h"
#include "platform/process/console.h"
#include "platform/process/stopsignals.h"
#include "sorting/importmemory.h"
#include "sorting/runimports.h"
#include "sorting/sortrun.h"

namespace {

// --forget-imported: the memory of imported photos forgets one target.
int ForgetImported(const std::string& target) {
    using namespace quenby;
    const std::string real = ImportTarget(target);
    try {
        ImportMemory memory = ImportMemory::Open(DefaultImportMemoryPath());
        const std::int64_t forgotten = memory.Forget(real);
        std::printf("%lld files imported into %s were forgotten\n",
                    static_cast<long long>(forgotten), real.c_str());
        return std::fflush(stdout) == 0 ? 0 : 1;
    } catch (const ImportMemoryError& error) {
        std::fprintf(stderr, "quenby-sort: %s\n", error.what());
        return cli::kExitUsage;
    }
}

}  // namespace

int main(int argc, char** argv) {
    using namespace quenby;

    // First of all, before any file is opened.
    const bool outputOpen = platform::SecureStandardStreams();
    platform::UseUtf8Console();
    const std::vector<std::string> arguments = platform::ProgramArguments(argc, argv);
    cli::ParseOutcome outcome = cli::ParseCommandLine(arguments);
    std::fputs(outcome.Output.c_str(), stdout);
    std::fputs(outcome.Error.c_str(), stderr);
    if (!outcome.Run) {
        return outcome.ExitCode;
    }
    const cli::CommandLine& command = *outcome.Run;
    if (command.ForgetImported) {
        return ForgetImported(command.Options.TargetRoot);
    }
    // Without its messages a run cannot tell what it moved where.
    if (!outputOpen) {
        std::fputs(
            "quenby-sort: standard output is closed, so the run would leave no record; "
            "nothing was done\n",
            stderr);
        return 1;
    }

    // Interrupted, the run stops after the file it is at, and every line of
    // what it did is written before the program ends; interrupted again, it
    // gives up the copy under way.
    StopRequest stop;
    platform::CatchStopRequests(stop.AfterThisFile, &stop.Now);

    std::optional<cli::ProgressDisplay> display;
    if (!command.Quiet && ::isatty(STDERR_FILENO) == 1) {
        display.emplace(stderr);
        display->ShowCollecting();
    }

    // A run that deletes writes each line out as it comes: a deletion's line
    // is out, and known to be, before the next deletion happens.
    cli::LineWriter output(stdout, command.Options.DeleteSources && !command.Options.DryRun);
    MessageList messages;
    messages.SetRetainLines(false);
    messages.SetListener([&display, &output, &stop](const std::string& line) {
        if (display) {
            display->BeforeOutput();
        }
        output.Write(line);
        // What happens after a line that could not be written would go
        // unrecorded: the file's step ends here, before its source could be
        // deleted, and the run stops.
        if (output.Failed()) {
            stop.AfterThisFile.store(true);
            throw std::runtime_error("the messages cannot be written");
        }
    });
    bool anyProblemFailed = false;
    const auto reportProblem = [&display, &anyProblemFailed](const SortProblem& problem) {
        if (display) {
            display->BeforeOutput();
        }
        std::fprintf(stderr, "quenby-sort: %s%s\n", problem.Text.c_str(),
                     problem.What == SortProblem::Kind::NameTakenByOther
                         ? "; --on-clash keep-both keeps both"
                         : "");
        anyProblemFailed = anyProblemFailed || problem.Failed;
    };
    SortCounts counts;
    try {
        counts = SortRun(
            command.Options, messages,
            [&display, &output, &stop](const SortProgress& progress) {
                if (output.Failed()) {
                    stop.AfterThisFile.store(true);
                }
                if (display) {
                    display->Update(progress.RecordsDone, progress.Counts.Found,
                                    progress.Counts.Copied);
                }
            },
            reportProblem, &stop);
    } catch (const ImportMemoryError& error) {
        // Refused before anything was touched.
        if (display) {
            display->BeforeOutput();
        }
        std::fprintf(stderr, "quenby-sort: %s\n", error.what());
        return cli::kExitUsage;
    }
    if (display) {
        display->Finish();
    }
    output.Write(FormatText(CountsFormat(command.Options.DryRun), {counts.Copied, counts.Found}));
    const bool written = output.Flush();
    if (const int code = platform::StopRequestExitCode(); code != 0) {
        std::fputs("quenby-sort: interrupted; the run stopped after the last file listed\n",
                   stderr);
        return code;
    }
    if (!written) {
        std::fprintf(stderr, "quenby-sort: writing the messages failed: %s; the run stopped\n",
                     std::strerror(output.ErrorNumber()));
        return 1;
    }
    return counts.Failed > 0 || anyProblemFailed ? 1 : 0;
}
