#include "tests/support/runprogram.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "tests/support/tempfolder.h"

namespace quenby::test {

Program::Program(const std::vector<std::string>& arguments, const std::string& outPath,
                 const std::string& errPath) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    m_pid = ::fork();
    if (m_pid == 0) {
        const int in = ::open("/dev/null", O_RDONLY);
        const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0 || err < 0 || ::dup2(in, 0) < 0 || ::dup2(out, 1) < 0 ||
            ::dup2(err, 2) < 0) {
            ::_exit(126);
        }
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
}

Program::~Program() {
    if (m_pid > 0 && m_status < 0) {
        ::kill(m_pid, SIGKILL);
        Wait();
    }
}

void Program::Signal(int signal) const {
    if (m_pid > 0 && m_status < 0) {
        ::kill(m_pid, signal);
    }
}

int Program::Wait() {
    if (m_pid <= 0) {
        return -1;
    }
    if (m_status < 0) {
        int status = 0;
        while (::waitpid(m_pid, &status, 0) < 0) {
        }
        m_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    return m_status;
}

ProgramResult RunProgram(const std::vector<std::string>& arguments, const std::string& folder) {
    const std::string out = folder + "/program.out";
    const std::string err = folder + "/program.err";
    ProgramResult result;
    {
        Program program(arguments, out, err);
        result.ExitCode = program.Wait();
    }
    result.Out = ReadFile(out);
    result.Err = ReadFile(err);
    ::unlink(out.c_str());
    ::unlink(err.c_str());
    return result;
}

bool OnPath(const std::string& name) {
    const std::string command = "command -v '" + name + "' >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

}  // namespace quenby::test
