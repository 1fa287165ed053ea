#include <unistd.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "base/stringtable.h"
#include "cli/commandline.h"
#include "cli/linewriter.h"
#include "cli/progressdisplay.h"
#include "platform/process/console.h"
#include "sorting/sortrun.h"

int main(int argc, char** argv) {
    using namespace quenby;

    platform::UseUtf8Console();
    const std::vector<std::string> arguments = platform::ProgramArguments(argc, argv);
    cli::ParseOutcome outcome = cli::ParseCommandLine(arguments);
    std::fputs(outcome.Output.c_str(), stdout);
    std::fputs(outcome.Error.c_str(), stderr);
    if (!outcome.Run) {
        return outcome.ExitCode;
    }
    const cli::CommandLine& command = *outcome.Run;

    std::optional<cli::ProgressDisplay> display;
    if (!command.Quiet && ::isatty(STDERR_FILENO) == 1) {
        display.emplace(stderr);
        display->ShowCollecting();
    }

    cli::LineWriter output(stdout);
    MessageList messages;
    messages.SetRetainLines(false);
    messages.SetListener([&display, &output](const std::string& line) {
        if (display) {
            display->BeforeOutput();
        }
        output.Write(line);
    });
    bool anyProblemFailed = false;
    const auto reportProblem = [&display, &anyProblemFailed](const SortProblem& problem) {
        if (display) {
            display->BeforeOutput();
        }
        std::fprintf(stderr, "quenby-sort: %s\n", problem.Text.c_str());
        anyProblemFailed = anyProblemFailed || problem.Failed;
    };
    const SortCounts counts = SortRun(
        command.Options, messages,
        [&display](const SortProgress& progress) {
            if (display) {
                display->Update(progress.RecordsDone, progress.Counts.Found,
                                progress.Counts.Copied);
            }
        },
        reportProblem);
    if (display) {
        display->Finish();
    }
    output.Write(FormatText(LoadStr(kStrFilesCopied), {counts.Copied, counts.Found}));
    if (!output.Flush()) {
        std::perror("quenby-sort: writing the messages failed");
        return 1;
    }
    return counts.Failed > 0 || anyProblemFailed ? 1 : 0;
}
