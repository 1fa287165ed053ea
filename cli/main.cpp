#include <unistd.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "cli/commandline.h"
#include "cli/progressdisplay.h"
#include "resources/stringtable.h"
#include "sorting/sortrun.h"

int main(int argc, char** argv) {
    using namespace quenby;

    const std::vector<std::string> arguments(argv + 1, argv + argc);
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

    MessageList messages;
    messages.SetRetainLines(false);
    messages.SetListener([&display](const std::string& line) {
        if (display) {
            display->BeforeOutput();
        }
        std::fwrite(line.data(), 1, line.size(), stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
    });
    const SortCounts counts =
        SortRun(command.Options, messages, [&display](const SortProgress& progress) {
            if (display) {
                display->Update(progress.RecordsDone, progress.Counts.Found,
                                progress.Counts.Copied);
            }
        });
    if (display) {
        display->Finish();
    }
    const std::string summary = FormatText(LoadStr(kStrFilesCopied), {counts.Copied, counts.Found});
    std::printf("%s\n", summary.c_str());
    if (std::fflush(stdout) != 0) {
        std::perror("quenby-sort: writing the messages failed");
        return 1;
    }
    return counts.Failed > 0 ? 1 : 0;
}
