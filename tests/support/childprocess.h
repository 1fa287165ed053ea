#pragma once

#include <functional>
#include <string>
#include <vector>

namespace quenby::test {

// Runs `body` in a forked child and returns its result (or 128 + signal).
// With `asOrdinaryUser` a child running as root first becomes "nobody", so
// that permission bits bind it as they bind a user: root reads any folder.
int RunInChild(const std::function<int()>& body, bool asOrdinaryUser = false);

// Starts a program (`command[0]` is its path) with standard input from
// /dev/null and standard output and error written to the given files.
// Returns its process id, or -1.
int StartProgram(const std::vector<std::string>& command, const std::string& outPath,
                 const std::string& errPath);
// Waits for a started program: its exit status, or 256 + the signal that
// killed it, so that a program that exits 130 by itself and one killed by
// SIGINT are told apart.
int WaitForProgram(int pid);

// The user id the ordinary-user child runs as.
inline constexpr unsigned kNobodyId = 65534;

}  // namespace quenby::test
