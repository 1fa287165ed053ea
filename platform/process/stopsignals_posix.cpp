#include <signal.h>

#include "platform/process/stopsignals.h"

namespace quenby::platform {
namespace {

std::atomic<bool>* g_requested = nullptr;
std::atomic<bool>* g_urgent = nullptr;
std::atomic<int> g_signal{0};
static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free,
              "a signal handler may only touch lock-free atomics");

void OnStopSignal(int number) {
    int none = 0;
    // The first request's signal is the one the exit status tells.
    if (!g_signal.compare_exchange_strong(none, number) && g_urgent != nullptr) {
        g_urgent->store(true);
    }
    g_requested->store(true);
}

}  // namespace

void CatchStopRequests(std::atomic<bool>& requested, std::atomic<bool>* urgent) {
    g_requested = &requested;
    g_urgent = urgent;
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    // Interrupted system calls carry on: the copy under way is finished, not
    // broken off halfway, unless a second request gives it up between two
    // of its pieces.
    action.sa_flags = SA_RESTART;
    for (const int number : {SIGINT, SIGTERM, SIGHUP}) {
        ::sigaction(number, &action, nullptr);
    }
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    ::sigaction(SIGPIPE, &ignore, nullptr);
}

int StopRequestExitCode() {
    const int number = g_signal.load();
    return number == 0 ? 0 : 128 + number;
}

}  // namespace quenby::platform
