#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace quenby::test {

// A program started with its standard output and error going to files and
// no standard input, for tests that wait for it, signal it or watch it run.
class Program {
public:
    Program(const std::vector<std::string>& arguments, const std::string& outPath,
            const std::string& errPath);
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;
    // Kills and reaps a program that still runs.
    ~Program();

    pid_t Pid() const { return m_pid; }
    void Signal(int signal) const;
    // The exit status, or 128 + the signal that ended it.
    int Wait();

private:
    pid_t m_pid = -1;
    int m_status = -1;
};

struct ProgramResult {
    int ExitCode = -1;
    std::string Out;
    std::string Err;
};

// Runs a program to its end; its output goes through files in `folder`.
ProgramResult RunProgram(const std::vector<std::string>& arguments, const std::string& folder);

// True when a program of that name is on the PATH.
bool OnPath(const std::string& name);

}  // namespace quenby::test
