#include "show/stop.h"

namespace {

// A process ended by a signal exits with this plus the signal's number.
constexpr int signalStatusBase = 128;

void requestStop(int signal) {
    stopSignal = signal;
}

} // namespace

volatile std::sig_atomic_t stopSignal = 0;

void installStopHandlers() {
    struct sigaction action {};
    action.sa_handler = requestStop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

int statusAfterStop() {
    return stopSignal != 0 ? signalStatusBase + stopSignal : 0;
}
