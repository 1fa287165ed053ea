#pragma once

#include <atomic>

namespace quenby::platform {

// Turns the requests to end the program (Ctrl-C, `kill`, a closed terminal:
// SIGINT, SIGTERM and SIGHUP; on Windows Ctrl-C and Ctrl-Break) into
// `requested` being set, so that a run can stop between two files with every
// line of what it did written, instead of in the middle of a copy. A second
// request also sets `urgent`, when given: whoever presses Ctrl-C again
// during a long copy from a slow card wants it given up now. A reader that
// goes away (a broken pipe) then fails the write instead of ending the
// program. Both flags must outlive the program's run.
void CatchStopRequests(std::atomic<bool>& requested, std::atomic<bool>* urgent = nullptr);

// The exit status that tells the caller which request ended the program:
// 128 + the signal's number, as a shell reports it (130 for SIGINT, 143 for
// SIGTERM, 129 for SIGHUP); 0 while none came.
int StopRequestExitCode();

}  // namespace quenby::platform
