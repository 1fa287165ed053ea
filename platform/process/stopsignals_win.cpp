#include <csignal>

#include "platform/process/stopsignals.h"

namespace quenby::platform {
namespace {

std::atomic<bool>* g_requested = nullptr;
std::atomic<bool>* g_urgent = nullptr;
std::atomic<int> g_signal{0};

// The C runtime calls this on a thread of its own for Ctrl-C and
// Ctrl-Break, and resets the handler each time, so it is set again.
void OnStopSignal(int number) {
    std::signal(number, OnStopSignal);
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
    for (const int number : {SIGINT, SIGTERM, SIGBREAK}) {
        std::signal(number, OnStopSignal);
    }
}

int StopRequestExitCode() {
    const int number = g_signal.load();
    return number == 0 ? 0 : 128 + number;
}

}  // namespace quenby::platform
