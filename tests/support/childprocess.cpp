#include "tests/support/childprocess.h"

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

namespace quenby::test {

int RunInChild(const std::function<int()>& body, bool asOrdinaryUser) {
    const pid_t child = ::fork();
    if (child < 0) {
        return -1;
    }
    if (child == 0) {
        if (asOrdinaryUser && ::geteuid() == 0) {
            if (::setgroups(0, nullptr) != 0 || ::setgid(kNobodyId) != 0 ||
                ::setuid(kNobodyId) != 0) {
                ::_exit(120);
            }
        }
        ::_exit(body());
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
    }
    if (WIFEXITED(status)) {
        return WEXITSTATUS(status);
    }
    return 128 + WTERMSIG(status);
}

}  // namespace quenby::test
